#include "IpStatements.h"

#include "HardwareReport.h"
#include "IpColumns.h"

namespace vantrel::store {

namespace {

using protocol::kIpColumns;
using protocol::kKeyColumn;

// Parameters are added in the order they appear in the text.
struct Builder {
    ReportStatement statement;

    Builder& Text(std::string_view text) {
        statement.sql += text;
        return *this;
    }
    Builder& Parameter(std::size_t column) {
        statement.sql += ":x" + std::to_string(column + 1);
        statement.columns.push_back(column);
        return *this;
    }
};

}  // namespace

ReportStatement ReportCountStatement() {
    Builder b;
    b.Text("select count(*) as sl from ip where ")
        .Text(kIpColumns[kKeyColumn].name)
        .Text("=")
        .Parameter(kKeyColumn);
    return b.statement;
}

ReportStatement ReportUpdateStatement() {
    Builder b;
    b.Text("update ip set ");
    bool first = true;
    for (std::size_t i = 0; i < kReportFields.size(); ++i) {
        if (i != kKeyColumn) {
            b.Text(first ? "" : ",").Text(kIpColumns[i].name).Text("=").Parameter(i);
            first = false;
        }
    }
    b.Text(" where ").Text(kIpColumns[kKeyColumn].name).Text("=").Parameter(kKeyColumn);
    return b.statement;
}

ReportStatement ReportInsertStatement() {
    Builder b;
    b.Text("insert into ip (");
    for (std::size_t i = 0; i < kReportFields.size(); ++i) {
        b.Text(i == 0 ? "" : ",").Text(kIpColumns[i].name);
    }
    b.Text(") values (");
    for (std::size_t i = 0; i < kReportFields.size(); ++i) {
        b.Text(i == 0 ? "" : ",").Parameter(i);
    }
    b.Text(")");
    return b.statement;
}

std::string FullRowInsertSql() {
    std::string names;
    std::string marks;
    for (const protocol::IpColumn& column : kIpColumns) {
        names += names.empty() ? "" : ", ";
        names += column.name;
        marks += marks.empty() ? "?" : ", ?";
    }
    return "INSERT INTO ip (" + names + ") VALUES (" + marks + ")";
}

}  // namespace vantrel::store
