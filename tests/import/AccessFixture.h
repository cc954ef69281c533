#pragma once
// A private folder with a copy of one of the Access files of tests/data/access
// as db.mdb, and readers for what a conversion leaves there.

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "TestFiles.h"

namespace vantrel::import::testing {

using Cells = std::vector<std::optional<std::string>>;

inline std::string AccessData(const std::string& name) {
    return std::string(VANTREL_TEST_DATA) + "/access/" + name;
}

// Rows of an mdb-export CSV file: quoted fields with "" for a quote, line
// breaks inside quotes kept; the header row comes first. An empty field is
// nullopt, as the export does not tell "" from null either.
inline std::vector<Cells> ParseCsv(const std::string& text) {
    std::vector<Cells> rows(1);
    std::string field;
    bool quoted = false;
    bool any = false;
    auto endField = [&] {
        rows.back().push_back(any && !field.empty() ? std::optional<std::string>(field)
                                                    : std::nullopt);
        field.clear();
        any = false;
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == '"') {
            quoted = any = true;
        } else if (c == ',') {
            endField();
        } else if (c == '\n') {
            endField();
            rows.emplace_back();
        } else {
            field += c;
            any = true;
        }
    }
    if (!rows.back().empty() || any) {
        endField();
    } else {
        rows.pop_back();
    }
    return rows;
}

// Every row of table ip of a SQLite file, the seventeen columns in schema
// order, rows in rowid order. Empty when the file is no inventory.
inline std::vector<Cells> InventoryRows(const std::string& path) {
    std::vector<Cells> rows;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return rows;
    }
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db,
                           "SELECT pcname, username, mac, ip, cpu, board, os, pctype, rammax, "
                           "rammin, bios, bm, dh, bz, yp, xk, djsj FROM ip ORDER BY rowid",
                           -1, &stmt, nullptr) == SQLITE_OK) {
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            Cells row;
            for (int i = 0; i < 17; ++i) {
                if (sqlite3_column_type(stmt, i) == SQLITE_NULL) {
                    row.emplace_back();
                } else {
                    const auto* data = static_cast<const char*>(sqlite3_column_blob(stmt, i));
                    row.emplace_back(
                        std::string(data, static_cast<std::size_t>(sqlite3_column_bytes(stmt, i))));
                }
            }
            rows.push_back(std::move(row));
        }
    }
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return rows;
}

class AccessFolder : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "access-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        path_ = dir_ + "/db.mdb";
    }
    void TearDown() override {
        std::filesystem::permissions(dir_, std::filesystem::perms::owner_all);
        std::filesystem::remove_all(dir_);
    }

    // Puts the fixture (or `bytes`) in place as db.mdb; returns its bytes.
    std::string PlaceFixture(const std::string& name) {
        return PlaceBytes(testsupport::ReadFile(AccessData(name)));
    }
    std::string PlaceBytes(const std::string& bytes) {
        std::ofstream(path_, std::ios::binary | std::ios::trunc) << bytes;
        return bytes;
    }

    // The names in the folder, sorted.
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir_)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    std::string Bytes(const std::string& name) const {
        return testsupport::ReadFile(dir_ + "/" + name);
    }

    std::string dir_;
    std::string path_;
};

}  // namespace vantrel::import::testing
