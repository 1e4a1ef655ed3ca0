// Writes the benchmarks' 1,000,000-record dBase table for comparisons with other programs and
// prints its path. Argument: the folder's name under the temporary folder.
#include <iostream>

#include "MillionRecordDbase.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: write_million_record_dbase FOLDERNAME\n";
        return 1;
    }
    std::cout << tabulon::writeMillionRecordDbase(argv[1]).string() << "\n";
    return 0;
}
