#pragma once
// The tables kept beside table ip for each PC (identity values, monitors,
// known MACs), as the store creates them, and monitors' EDIDs from the
// test data, for tests that fill them by SQL.

#include <fstream>
#include <sstream>
#include <string>

namespace vantrel::app::test {

inline const char* const kPcTablesSql =
    "CREATE TABLE IF NOT EXISTS ip_device (mac TEXT PRIMARY KEY COLLATE NOCASE, maker TEXT, "
    "model TEXT, serial TEXT, boardserial TEXT, chassisserial TEXT, assettag TEXT, uuid TEXT, "
    "reporttime TEXT);"
    "CREATE TABLE IF NOT EXISTS ip_monitor (id INTEGER PRIMARY KEY, mac TEXT COLLATE NOCASE, "
    "edid BLOB, pnp TEXT, product INTEGER, serialnumber TEXT, serialtext TEXT, modelname TEXT, "
    "firstseen TEXT, lastseen TEXT, connected INTEGER);"
    "CREATE INDEX IF NOT EXISTS ip_monitor_mac ON ip_monitor (mac);"
    "CREATE TABLE IF NOT EXISTS ip_knownmac (othermac TEXT PRIMARY KEY COLLATE NOCASE, "
    "mac TEXT COLLATE NOCASE);"
    "CREATE INDEX IF NOT EXISTS ip_knownmac_mac ON ip_knownmac (mac);";

// An EDID of tests/data/edid as an SQL blob literal: X'00FFFF…'.
inline std::string EdidBlob(const std::string& name) {
    std::ifstream file(std::string(VANTREL_TEST_DATA) + "/edid/" + name + ".hex");
    std::stringstream text;
    text << file.rdbuf();
    std::string hex;
    for (char c : text.str()) {
        if (std::isxdigit(static_cast<unsigned char>(c)) != 0) {
            hex += c;
        }
    }
    return "X'" + hex + "'";
}

}  // namespace vantrel::app::test
