// Build step of the release folder: writes the empty db.mdb it ships, with
// the program's own schema and code. Usage: make_empty_inventory <path>
#include <cstdio>
#include <exception>
#include <filesystem>

#include "EmptyInventory.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <path of the new db.mdb>\n", argv[0]);
        return 2;
    }
    try {
        std::error_code ignored;
        std::filesystem::remove(argv[1], ignored);
        vantrel::store::CreateEmptyInventory(argv[1]);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s: %s\n", argv[0], error.what());
        return 1;
    }
    return 0;
}
