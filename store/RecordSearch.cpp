#include "RecordSearch.h"

#include "FilterCondition.h"
#include "Gbk.h"
#include "GbkConvert.h"
#include "PcKey.h"
#include "PcRecord.h"
#include "SqliteStatement.h"

namespace vantrel::store {

namespace {

// Reads the key and the values of each row once and keeps the keys of the
// rows of which one value matches. Rows whose values are all empty are
// left to the database.
void Collect(sqlite3* db, std::string_view sql, FieldMatch match, std::string_view text,
             KeySet& keys) {
    SqliteStatement read(db, sql);
    const int columns = read.ColumnCount();
    while (read.Step()) {
        for (int c = 1; c < columns; ++c) {
            const std::string_view value = read.Bytes(c);
            const bool matches = match == FieldMatch::Equals
                                     ? text::EqualsIgnoringCase(value, text)
                                     : text::ContainsIgnoringCase(value, text);
            if (matches) {
                keys.insert(KeyOfSearch(read.Bytes(0)));
                break;
            }
        }
    }
}

}  // namespace

std::string KeyOfSearch(std::string_view key) {
    return inventory::PcKeyForLookup(key);
}

KeySet KeysMatching(sqlite3* db, RecordField field, FieldMatch match, std::string_view text) {
    KeySet keys;
    if (text.empty()) {
        return keys;
    }
    const bool devices = PcRecord::HasTable(db, "ip_device");
    if (field == RecordField::Model) {
        if (devices) {
            Collect(db, "SELECT mac, model FROM ip_device WHERE model <> ''", match, text, keys);
        }
        return keys;
    }
    if (devices) {
        Collect(db,
                "SELECT mac, serial, boardserial, chassisserial FROM ip_device "
                "WHERE serial <> '' OR boardserial <> '' OR chassisserial <> ''",
                match, text, keys);
    }
    if (PcRecord::HasTable(db, "ip_monitor")) {
        Collect(db,
                "SELECT mac, serialnumber, serialtext FROM ip_monitor "
                "WHERE serialnumber <> '' OR serialtext <> ''",
                match, text, keys);
    }
    return keys;
}

const std::string& RecordFieldLabel(RecordField field) {
    static const std::string model = text::Utf8ToGbk("型号");
    static const std::string serial = text::Utf8ToGbk("序列号");
    return field == RecordField::Model ? model : serial;
}

}  // namespace vantrel::store
