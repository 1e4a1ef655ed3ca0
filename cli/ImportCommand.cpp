// import: appends the records of a text file to a table.
#include <sstream>

#include "Arguments.h"
#include "Commands.h"
#include "Json.h"
#include "core/EngineError.h"
#include "ops/TextImport.h"

namespace tabulon::cli {

namespace {

std::vector<std::string> commaList(const std::string& text) {
    std::vector<std::string> names;
    std::istringstream in(text);
    for (std::string name; std::getline(in, name, ',');) names.push_back(name);
    return names;
}

}  // namespace

void runImport(const std::vector<std::string>& words, std::ostream& out) {
    const Arguments args(words, {"--format", "--separator", "--encoding", "--fields"}, {"--header"});
    args.expectPositionals(2, 2);
    const std::string format = args.value("--format", "csv");
    if (format != "csv" && format != "text") throw UsageError("--format is csv or text, not " + format);
    TextImportOptions options;
    options.file.format = format == "csv" ? TextFormat::Csv : TextFormat::Delimited;
    options.file.separator = args.value("--separator");
    options.file.header = args.has("--header");
    options.file.encoding = args.value("--encoding");
    options.fields = commaList(args.value("--fields"));
    options.skipRefused = true;
    TextImport import(args.positionals()[1]);
    const TextImportResult result = import.run(args.positionals()[0], options);

    out << "{\"appended\":" << result.appended << ",\"refused\":[";
    for (std::size_t i = 0; i < result.refused.size(); ++i)
        out << (i ? "," : "") << "{\"line\":" << result.refused[i].line
            << ",\"message\":" << jsonString(result.refused[i].message) << "}";
    out << "]}\n";
    if (!result.refused.empty())
        throw EngineError(errkind::kValue, std::to_string(result.refused.size()) + " lines of " +
                                               args.positionals()[0] +
                                               " were refused, the first: " + result.refused.front().message);
}

}  // namespace tabulon::cli
