// tabulon-samples FOLDER: writes the sample tables into FOLDER through the engine.
#include <iostream>

#include "SampleTables.h"
#include "core/EngineError.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "Usage: tabulon-samples FOLDER\n";
        return 1;
    }
    try {
        tabulon::samples::writeSampleTables(argv[1]);
    } catch (const tabulon::EngineError& error) {
        std::cerr << error.formatted() << "\n";
        return 2;
    }
    return 0;
}
