#include "Help.h"

#include <algorithm>
#include <iterator>
#include <sstream>

namespace tabulon::cli {

namespace {

struct CommandText {
    const char* names;  // the command, or several separated by '|' that share the text
    const char* usage;  // after "tabulon-cli "; continuation lines are indented
    const char* text;
};

constexpr CommandText kCommands[] = {
    {"info", "info TABLE [--encoding CP]",
     "Prints one JSON object describing TABLE: format, version, code_page (with code_page_source\n"
     "and code_page_note), record_count, fields, indexes and capabilities. --encoding CP reads the\n"
     "table's text in code page CP instead of the one its header names or that is guessed.\n"},
    {"dump",
     "dump TABLE [--format jsonl|csv] [--index NAME] [--filter EXPR] [--case-insensitive]\n"
     "             [--no-partial-compare] [--encoding CP] [--limit N]",
     "Prints a first line {\"fields\":[...]} and then one JSON array per record, or with --format csv\n"
     "RFC 4180 CSV with a header row. --index orders the records by an index, --filter selects them\n"
     "with a filter expression (--case-insensitive, --no-partial-compare change how it compares),\n"
     "--limit stops after N records.\n"},
    {"find", "find TABLE --index NAME [--format jsonl|csv] [--encoding CP] KEY...",
     "Prints the field list and the first record whose key in index NAME (empty: the primary\n"
     "index) is at or after the KEY values, given as text for the leading key fields.\n"},
    {"copy",
     "copy SRC DST [--encoding CP] [--target-encoding CP] [--count N] [--commit N]\n"
     "             [--key-violations TABLE] [--problems TABLE] [--abort-on-key-violation]\n"
     "             [--abort-on-problem]",
     "Creates DST (format from its extension; an existing DST goes to the desktop trash first) and\n"
     "copies every record of SRC into it, keeping SRC's definition within one format and taking the\n"
     "nearest types across formats. --target-encoding gives DST another code page. Prints\n"
     "{\"moved\":N,\"changed\":N,\"rejected\":N}. A record that cannot be written goes to the table named\n"
     "by --problems or --key-violations; without one the command exits with status 2.\n"},
    {"sql", "sql FOLDER STATEMENT [--format jsonl|csv]",
     "Runs one SQL statement over the tables of FOLDER (CUSTOMER finds CUSTOMER.DB, then .DBF, then\n"
     ".TXT) and prints its rows as dump does, or \"Query executed! No data to visualize.\".\n"},
    {"append|update",
     "append|update SRC DST [--encoding CP] [--count N] [--commit N] [--index NAME]\n"
     "             [--key-violations TABLE] [--problems TABLE] [--changed TABLE]\n"
     "             [--abort-on-key-violation] [--abort-on-problem]",
     "append adds SRC's records to DST; update appends them or updates the records of DST that\n"
     "match on its --index (empty: its first index). --commit N commits every N records (0: all or\n"
     "nothing), --count N moves at most N. Prints {\"moved\":N,\"changed\":N,\"rejected\":N}.\n"},
    {"pack|reindex|empty", "pack|reindex|empty TABLE",
     "pack removes deleted records, reindex rebuilds the table's indexes, empty removes every\n"
     "record. Each prints {\"status\":0}.\n"},
    {"rename", "rename TABLE NEWNAME",
     "Gives the table and its companion files the base name NEWNAME (R2 or R2.DBF) in their folder.\n"
     "Prints {\"status\":0}.\n"},
    {"import",
     "import TEXTFILE TABLE [--format csv|text] [--separator S] [--header] [--encoding CP]\n"
     "             [--fields A,B,...]",
     "Appends the records of a delimited text file (RFC 4180 CSV, or --format text with the\n"
     "separator S, \"^T\" a tab) to TABLE; --header skips a header line, --fields names the fields\n"
     "the columns fill. Prints {\"appended\":N,\"refused\":[...]} and exits with status 2 when any\n"
     "line was refused (the others are appended).\n"},
    {"update-records", "update-records TABLE FIELD=VALUE [--filter EXPR]",
     "Sets FIELD of every record --filter selects (every record without it) to VALUE, converted as\n"
     "the field converts typed text, in one transaction: all the records or none. Prints\n"
     "{\"changed\":N}.\n"},
    {"delete-records", "delete-records TABLE [--filter EXPR]",
     "Deletes every record --filter selects (every record without it) in one transaction: all the\n"
     "records or none. Prints {\"changed\":N}.\n"},
    {"restructure",
     "restructure TABLE NAME[=OLD][:TYPE[:SIZE[:DECIMALS]]]... [--save-as NAME]\n"
     "             [--empty-lost] [--count-lost]",
     "Rebuilds TABLE with the fields listed, in that order: NAME keeps a field, NEW=OLD renames it,\n"
     ":TYPE[:SIZE[:DECIMALS]] (a type name such as ftString) retypes it, NEW=:TYPE adds an empty\n"
     "field; fields not listed are dropped, and the indexes whose fields all remain are kept. The\n"
     "old table stays whole until the new one has its name. Prints\n"
     "{\"lost\":[{\"field\":F,\"emptied\":N,\"cut\":M}...],\"restructured\":B}: values that would not\n"
     "convert or fit make it change nothing and fail, unless --empty-lost empties them (texts are\n"
     "cut to the new size); --count-lost only counts. --save-as NAME writes the result to table NAME\n"
     "of the same folder and leaves TABLE as it was.\n"},
    {"verify", "verify TABLE [--index FILE.NDX]...",
     "Checks a Paradox or dBase table's files against each other without writing: header counts,\n"
     "the block chain, key order, every record and every index. Prints {\"level\":L,\"records\":N}\n"
     "and one {\"file\",\"place\",\"problem\",\"level\"} line per finding. Level 0 is sound, 1 a\n"
     "rebuild repairs it without loss, 2 the check stopped, 3 a rebuild salvages only part, 4 it\n"
     "cannot be rebuilt. Exit status 0 for a sound table, 3 when problems were found. Each --index\n"
     "names an .NDX file beside a dBase table to check with its own indexes; one that cannot be read\n"
     "is a finding of level 1.\n"},
    {"rebuild",
     "rebuild TABLE [--backup NAME] [--key-violations NAME] [--problems NAME]\n"
     "             [--index FILE.NDX]...",
     "Rebuilds TABLE from every record the tolerant reader reads, keeping the original beside it as\n"
     "the backup table (Backup.DB or Backup.DBF); records that violate the keys go to KEYVIOL.DB and\n"
     "records that cannot be decoded, as bytes, to PROBLEM.DB. Each --index names an .NDX file\n"
     "beside a dBase table, rebuilt under its own name; the backup keeps a copy of it named after\n"
     "the backup and itself (Backup_FILE.NDX). Prints\n"
     "{\"salvaged\":N,\"keyViolations\":N,\"problems\":N,\"lost\":N}, with \"indexFilesNotRebuilt\":[...]\n"
     "naming the .NDX files that could not be rebuilt (missing, unreadable, or keyed on a field that\n"
     "is gone): they leave the folder with the old table, and the backup keeps their copies.\n"},
};

constexpr const char* kGeneral =
    "\nExit status: 0 on success, 1 on bad usage, 2 when a table cannot be read or written\n"
    "(\"Kind: message.\" on standard error).\n"
    "Run 'tabulon-cli COMMAND --help' for what a command does; --version prints the version.\n";

const CommandText* find(const std::string& command) {
    const auto found = std::find_if(std::begin(kCommands), std::end(kCommands), [&](const CommandText& entry) {
        std::istringstream names(entry.names);
        for (std::string name; std::getline(names, name, '|');)
            if (name == command) return true;
        return false;
    });
    return found == std::end(kCommands) ? nullptr : found;
}

}  // namespace

std::string usageText() {
    std::string text = "usage: tabulon-cli COMMAND ...\n";
    for (const CommandText& entry : kCommands) text += std::string("  ") + entry.usage + "\n";
    return text + kGeneral;
}

std::string commandUsage(const std::string& command) {
    const CommandText* entry = find(command);
    return entry ? std::string("usage: tabulon-cli ") + entry->usage + "\n" : usageText();
}

std::string commandHelp(const std::string& command) {
    const CommandText* entry = find(command);
    return entry ? commandUsage(command) + "\n" + entry->text : std::string();
}

}  // namespace tabulon::cli
