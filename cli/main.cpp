// tabulon-cli: the table engine from the command line.
#include <algorithm>
#include <iostream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "Arguments.h"
#include "Commands.h"
#include "core/EngineError.h"

namespace {
constexpr const char* kUsage =
    "usage: tabulon-cli COMMAND ...\n"
    "  info TABLE [--encoding CP]\n"
    "  dump TABLE [--format jsonl|csv] [--index NAME] [--filter EXPR] [--case-insensitive]\n"
    "             [--no-partial-compare] [--encoding CP] [--limit N]\n"
    "  find TABLE --index NAME [--format jsonl|csv] [--encoding CP] KEY...\n"
    "  copy SRC DST [--encoding CP] [--target-encoding CP] [--count N] [--commit N]\n"
    "             [--key-violations TABLE] [--problems TABLE] [--abort-on-key-violation]\n"
    "             [--abort-on-problem]\n"
    "  sql FOLDER STATEMENT [--format jsonl|csv]\n"
    "  append|update SRC DST [--encoding CP] [--count N] [--commit N] [--index NAME]\n"
    "             [--key-violations TABLE] [--problems TABLE] [--changed TABLE]\n"
    "             [--abort-on-key-violation] [--abort-on-problem]\n"
    "  pack TABLE | reindex TABLE | empty TABLE\n"
    "  rename TABLE NEWNAME\n"
    "  import TEXTFILE TABLE [--format csv|text] [--separator S] [--header] [--encoding CP]\n"
    "             [--fields A,B,...]\n"
    "  update-records TABLE FIELD=VALUE [--filter EXPR] | delete-records TABLE [--filter EXPR]\n"
    "  verify TABLE\n"
    "  rebuild TABLE [--backup NAME] [--key-violations NAME] [--problems NAME]\n";

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
    {"verify", tabulon::cli::runVerify},
    {"rebuild", tabulon::cli::runRebuild},
};
}  // namespace

int main(int argc, char** argv) {
    using namespace tabulon;
    std::ios::sync_with_stdio(false);
    const std::vector<std::string> words(argv + std::min(argc, 2), argv + argc);
    const std::string command = argc >= 2 ? argv[1] : "";
    try {
        const auto found = std::find_if(std::begin(kCommands), std::end(kCommands),
                                        [&](const auto& entry) { return command == entry.first; });
        if (found != std::end(kCommands))
            found->second(words, std::cout);
        else if (command == "--help" || command == "help")
            std::cout << kUsage;
        else
            throw cli::UsageError(command.empty() ? "no command" : "unknown command '" + command + "'");
        std::cout.flush();
        return 0;
    } catch (const cli::ProblemsFound&) {
        std::cout.flush();
        return 3;
    } catch (const cli::UsageError& e) {
        std::cerr << "tabulon-cli: " << e.what() << "\n" << kUsage;
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
