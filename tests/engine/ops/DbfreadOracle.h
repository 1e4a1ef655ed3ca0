#pragma once
// Reads a dBase table with python3-dbfread, an independent reader, for tests to compare with.
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace tabulon::testing {

inline bool dbfreadAvailable() { return std::system("/usr/bin/python3 -c 'import dbfread' 2>/dev/null") == 0; }

// The text of `field` in every live record of `table`, in file order, as dbfread gives it (str()
// of its value; "" for an empty one). dbfread reads a dBase IV memo's length as if it left out
// the block's 8-byte head, which it includes, so its text ends in up to 8 NULs: they go.
// Nothing when the reader fails.
inline std::optional<std::vector<std::string>> dbfreadColumn(const std::string& table, const std::string& field) {
    const std::string command =
        "/usr/bin/python3 -c \"import dbfread,sys\n"
        "for r in dbfread.DBF(sys.argv[1], load=False, lowernames=False):\n"
        "    v = r[sys.argv[2]]\n"
        "    print('' if v is None else str(v).rstrip(chr(0)))\" '" +
        table + "' '" + field + "'";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return std::nullopt;
    std::vector<std::string> values;
    std::string line;
    for (int c = std::fgetc(pipe); c != EOF; c = std::fgetc(pipe)) {
        if (c == '\n') {
            values.push_back(line);
            line.clear();
        } else {
            line += static_cast<char>(c);
        }
    }
    if (::pclose(pipe) != 0) return std::nullopt;
    return values;
}

}  // namespace tabulon::testing
