// vantrel-mdbread FILE TABLE COLUMN...: reads one table of an Access file
// with mdbtools and sends its rows over standard output in the frames of
// AccessFrames.h. The program runs it as a child process under memory and
// time limits, so that a file that makes mdbtools loop, crash or allocate
// without end cannot stop the program; it never writes to the file.

#include <unistd.h>

#include <cstdio>
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "AccessFrames.h"
#include "AccessTable.h"

using vantrel::import::AccessFrames;
using vantrel::import::AccessTable;

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: vantrel-mdbread FILE TABLE COLUMN...\n");
        return 2;
    }
    const std::vector<std::string> columns(argv + 3, argv + argc);
    AccessFrames frames(STDOUT_FILENO);
    std::optional<AccessTable> table;
    std::size_t rows = 0;
    try {
        table.emplace(argv[1], argv[2], columns);
        std::vector<bool> stored;
        for (std::size_t i = 0; i < columns.size(); ++i) {
            stored.push_back(table->IsStoredText(i));
        }
        frames.Table(table->Jet3(), table->ExpectedRows(), stored);
        AccessTable::Row row;
        while (table->Next(row)) {
            ++rows;
            if (!frames.Row(row)) {
                throw AccessTable::Error(AccessTable::Error::Kind::ValueTooLong,
                                         "row " + std::to_string(rows) + " is too long");
            }
        }
        frames.Done(rows);
    } catch (const AccessTable::Error& error) {
        // The row the message names: the rows read when they end early,
        // else the row being read.
        const std::size_t row = error.kind() == AccessTable::Error::Kind::ReadFailed || !table
                                    ? rows
                                    : table->RowsRead();
        frames.Error(error.kind(), row, table ? table->ExpectedRows() : 0, error.what());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "vantrel-mdbread: %s\n", error.what());
        return 1;
    }
    return frames.Flush() ? 0 : 1;
}
