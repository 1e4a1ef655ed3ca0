// tabulon-cli: the table engine from the command line.
#include <algorithm>
#include <iostream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "Arguments.h"
#include "Commands.h"
#include "Help.h"
#include "core/EngineError.h"

namespace {
using Command = void (*)(const std::vector<std::string>&, std::ostream&);
const std::pair<const char*, Command> kCommands[] = {
    {"info", tabulon::cli::runInfo},
    {"dump", tabulon::cli::runDump},
    {"find", [](const std::vector<std::string>& words, std::ostream& out) { tabulon::cli::runFind(words, out); }},
    {"copy", tabulon::cli::runCopy},
    {"sql", tabulon::cli::runSql},
    {"append", tabulon::cli::runAppend},
    {"update", tabulon::cli::runUpdate},
    {"pack", tabulon::cli::runPack},
    {"reindex", tabulon::cli::runReindex},
    {"empty", tabulon::cli::runEmpty},
    {"rename", tabulon::cli::runRename},
    {"import", tabulon::cli::runImport},
    {"update-records", tabulon::cli::runUpdateRecords},
    {"delete-records", tabulon::cli::runDeleteRecords},
    {"restructure", tabulon::cli::runRestructure},
    {"verify", tabulon::cli::runVerify},
    {"rebuild", tabulon::cli::runRebuild},
};

// COMMAND --help and help COMMAND print the command's description.
std::string helpFor(const std::string& command) {
    std::string text = tabulon::cli::commandHelp(command);
    if (text.empty()) throw tabulon::cli::UsageError("unknown command '" + command + "'");
    return text;
}
}  // namespace

int main(int argc, char** argv) {
    using namespace tabulon;
    std::ios::sync_with_stdio(false);
    const std::vector<std::string> words(argv + std::min(argc, 2), argv + argc);
    const std::string command = argc >= 2 ? argv[1] : "";
    try {
        const auto found = std::find_if(std::begin(kCommands), std::end(kCommands),
                                        [&](const auto& entry) { return command == entry.first; });
        if (found != std::end(kCommands) && std::find(words.begin(), words.end(), "--help") != words.end())
            std::cout << helpFor(command);
        else if (found != std::end(kCommands))
            found->second(words, std::cout);
        else if (command == "--help" || command == "help")
            std::cout << (words.empty() ? cli::usageText() : helpFor(words.front()));
        else if (command == "--version")
            std::cout << "tabulon-cli " TABULON_VERSION "\n";
        else
            throw cli::UsageError(command.empty() ? "no command" : "unknown command '" + command + "'");
        std::cout.flush();
        return 0;
    } catch (const cli::ProblemsFound&) {
        std::cout.flush();
        return 3;
    } catch (const cli::UsageError& e) {
        std::cerr << "tabulon-cli: " << e.what() << "\n" << cli::commandUsage(command);
        return 1;
    } catch (const EngineError& e) {
        std::cout.flush();
        std::cerr << e.formatted() << "\n";
        return 2;
    } catch (const std::exception& e) {
        std::cout.flush();
        std::cerr << "EEngineError: " << e.what() << ".\n";
        return 2;
    }
}
