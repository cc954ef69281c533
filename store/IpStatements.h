#pragma once
// The statements that write rows of table ip, built from the column table.
// A report's statements name the value of column N (counted from 1 in the
// table's order) as parameter :xN.

#include <cstddef>
#include <string>
#include <vector>

namespace vantrel::store {

struct ReportStatement {
    std::string sql;
    // The column (index into the column table) bound to each parameter, in
    // the order SQLite numbers them: of first appearance in the text.
    std::vector<std::size_t> columns;
};

// Whether a row with the report's MAC exists: one row, its count.
ReportStatement ReportCountStatement();
// Overwrites every reported value of the row with the report's MAC.
ReportStatement ReportUpdateStatement();
// Adds a row with every reported value.
ReportStatement ReportInsertStatement();

// Adds a row with every column, bound as ?1 to ?17 in the table's order.
std::string FullRowInsertSql();

}  // namespace vantrel::store
