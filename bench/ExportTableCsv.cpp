// Exports a table's every field as CSV through the text export (the Special page's Export
// Text), for comparisons with other programs. Arguments: the table and the file to write.
#include <filesystem>
#include <iostream>

#include "dataset/Connection.h"
#include "dataset/Session.h"
#include "dataset/Table.h"
#include "ops/TextExport.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: export_table_csv TABLE OUTPUT\n";
        return 1;
    }
    try {
        const std::filesystem::path table = std::filesystem::absolute(argv[1]);
        tabulon::Session session("export");
        tabulon::Connection& connection = session.addConnection("Folder");
        connection.setParams(tabulon::Connection::folderParams(table.parent_path().string()));
        connection.connect();
        tabulon::Table source(connection);
        source.setTableName(table.filename().string());
        source.open();
        tabulon::TextExportOptions options;
        options.file.format = tabulon::TextFormat::Csv;
        options.file.header = true;
        for (const tabulon::FieldDef& field : source.fieldDefs()) options.fields.push_back(field.name);
        tabulon::exportText(source, argv[2], options);
    } catch (const std::exception& error) {
        std::cerr << error.what() << "\n";
        return 1;
    }
    return 0;
}
