#include "TReportedMacs.h"

#include "MacKey.h"
#include "TADOConnection.h"
#include "TSqliteStatement.h"

namespace vantrel::app {

void TReportedMacs::Load(store::TADOConnection& connection) {
    known_ = false;
    keys_.clear();
    AddRows(connection, "select mac from ip where mac is not null", nullptr);
    known_ = true;
}

void TReportedMacs::AddRowsOf(store::TADOConnection& connection, const std::string& address) {
    if (known_) {
        AddRows(connection, "select mac from ip where ip = ?1 and mac is not null", &address);
    }
}

void TReportedMacs::AddRows(store::TADOConnection& connection, std::string_view sql,
                            const std::string* address) {
    auto guard = connection.Lock();
    store::TSqliteStatement statement(connection.Handle(), sql);
    if (address != nullptr) {
        statement.BindText(1, *address);
    }
    while (statement.Step()) {
        keys_.insert(scan::MacKey(statement.Bytes(0)));
    }
}

bool TReportedMacs::IsUnreported(std::string_view mac) const {
    return known_ && !mac.empty() && !keys_.contains(scan::MacKey(mac));
}

}  // namespace vantrel::app
