// tabulon-cli: the table engine from the command line.
#include <iostream>
#include <string>
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
    "  rename TABLE NEWNAME\n";
}

int main(int argc, char** argv) {
    using namespace tabulon;
    std::ios::sync_with_stdio(false);
    const std::vector<std::string> words(argv + std::min(argc, 2), argv + argc);
    const std::string command = argc >= 2 ? argv[1] : "";
    try {
        if (command == "info")
            cli::runInfo(words, std::cout);
        else if (command == "dump")
            cli::runDump(words, std::cout);
        else if (command == "find")
            cli::runFind(words, std::cout);
        else if (command == "copy")
            cli::runCopy(words, std::cout);
        else if (command == "sql")
            cli::runSql(words, std::cout);
        else if (command == "append")
            cli::runAppend(words, std::cout);
        else if (command == "update")
            cli::runUpdate(words, std::cout);
        else if (command == "pack")
            cli::runPack(words, std::cout);
        else if (command == "reindex")
            cli::runReindex(words, std::cout);
        else if (command == "empty")
            cli::runEmpty(words, std::cout);
        else if (command == "rename")
            cli::runRename(words, std::cout);
        else if (command == "--help" || command == "help")
            std::cout << kUsage;
        else
            throw cli::UsageError(command.empty() ? "no command" : "unknown command '" + command + "'");
        std::cout.flush();
        return 0;
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
