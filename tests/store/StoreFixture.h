#pragma once
// A fresh inventory database per test, made from schema.sql in a private
// temporary directory, with a second raw SQLite handle for looking behind
// the store's back.

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "InventoryDatabase.h"
#include "StoreError.h"
#include "TestFiles.h"

namespace vantrel::store::testing {

using testsupport::ReadFile;

// What opening the store at `path` throws; "" when it opens.
inline std::string OpenError(InventoryDatabase& connection, const std::string& path) {
    try {
        connection.Open(path);
    } catch (const StoreError& error) {
        return error.what();
    }
    return "";
}

// prefix followed by the number in decimal. (Spelled out because g++ 12 at
// -O3 warns falsely about "literal" + std::to_string(n).)
inline std::string Numbered(std::string prefix, long long n) {
    prefix += std::to_string(n);
    return prefix;
}

class StoreFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "store-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        path_ = dir_ + "/db.mdb";
        std::string schema = ReadFile(VANTREL_SCHEMA);
        ASSERT_FALSE(schema.empty());
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(path_.c_str(), &db), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(db, schema.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
    }

    void TearDown() override {
        if (raw_ != nullptr) {
            sqlite3_close(raw_);
        }
        connection_.Close();
        std::filesystem::remove_all(dir_);
    }

    // A second connection to the same file, as another process would have.
    sqlite3* Raw() {
        if (raw_ == nullptr) {
            EXPECT_EQ(sqlite3_open(path_.c_str(), &raw_), SQLITE_OK);
            sqlite3_busy_timeout(raw_, 5000);
        }
        return raw_;
    }

    void Exec(const std::string& sql) {
        char* error = nullptr;
        int rc = sqlite3_exec(Raw(), sql.c_str(), nullptr, nullptr, &error);
        EXPECT_EQ(rc, SQLITE_OK) << (error != nullptr ? error : "") << " in " << sql;
        sqlite3_free(error);
    }

    // Values of one column over all rows in rowid order, read as bytes.
    std::vector<std::optional<std::string>> Column(const std::string& column,
                                                   const std::string& where = "1") {
        std::vector<std::optional<std::string>> values;
        sqlite3_stmt* stmt = nullptr;
        std::string sql = "SELECT " + column + " FROM ip WHERE " + where + " ORDER BY rowid";
        EXPECT_EQ(sqlite3_prepare_v2(Raw(), sql.c_str(), -1, &stmt, nullptr), SQLITE_OK);
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            if (sqlite3_column_type(stmt, 0) == SQLITE_NULL) {
                values.emplace_back(std::nullopt);
            } else {
                const char* data = static_cast<const char*>(sqlite3_column_blob(stmt, 0));
                values.emplace_back(
                    std::string(data == nullptr ? "" : data,
                                static_cast<std::size_t>(sqlite3_column_bytes(stmt, 0))));
            }
        }
        sqlite3_finalize(stmt);
        return values;
    }

    // Every row of any select, each value as its bytes or nullopt for null.
    std::vector<std::vector<std::optional<std::string>>> Query(const std::string& sql) {
        std::vector<std::vector<std::optional<std::string>>> rows;
        sqlite3_stmt* stmt = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(Raw(), sql.c_str(), -1, &stmt, nullptr), SQLITE_OK)
            << sqlite3_errmsg(Raw()) << " in " << sql;
        while (stmt != nullptr && sqlite3_step(stmt) == SQLITE_ROW) {
            std::vector<std::optional<std::string>> row;
            for (int i = 0; i < sqlite3_column_count(stmt); ++i) {
                if (sqlite3_column_type(stmt, i) == SQLITE_NULL) {
                    row.emplace_back(std::nullopt);
                    continue;
                }
                const char* data = static_cast<const char*>(sqlite3_column_blob(stmt, i));
                row.emplace_back(
                    std::string(data == nullptr ? "" : data,
                                static_cast<std::size_t>(sqlite3_column_bytes(stmt, i))));
            }
            rows.push_back(std::move(row));
        }
        sqlite3_finalize(stmt);
        return rows;
    }

    long long Count(const std::string& where = "1") {
        return static_cast<long long>(
            Column("count(*)", where).size() == 1 ? std::stoll(*Column("count(*)", where)[0]) : -1);
    }

    // Adds one row through the second connection; values bound as TEXT, or
    // as BLOB when `blob` is set (as some tools store them).
    void Insert(const std::vector<std::pair<std::string, std::optional<std::string>>>& row,
                bool blob = false) {
        std::string names;
        std::string params;
        for (const auto& [name, value] : row) {
            names += (names.empty() ? "" : ",") + name;
            params += params.empty() ? "?" : ",?";
        }
        std::string sql = "INSERT INTO ip (" + names + ") VALUES (" + params + ")";
        sqlite3_stmt* stmt = nullptr;
        ASSERT_EQ(sqlite3_prepare_v2(Raw(), sql.c_str(), -1, &stmt, nullptr), SQLITE_OK);
        int i = 1;
        for (const auto& [name, value] : row) {
            if (!value) {
                sqlite3_bind_null(stmt, i++);
            } else if (blob) {
                sqlite3_bind_blob(stmt, i++, value->data(), static_cast<int>(value->size()),
                                  SQLITE_TRANSIENT);
            } else {
                sqlite3_bind_text(stmt, i++, value->data(), static_cast<int>(value->size()),
                                  SQLITE_TRANSIENT);
            }
        }
        EXPECT_EQ(sqlite3_step(stmt), SQLITE_DONE);
        sqlite3_finalize(stmt);
    }

    void OpenStore() { connection_.Open(path_); }

    std::string dir_;
    std::string path_;
    InventoryDatabase connection_;
    sqlite3* raw_ = nullptr;
};

}  // namespace vantrel::store::testing
