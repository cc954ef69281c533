#pragma once
// A fresh inventory per test in a private temporary folder, files written
// into it, and the import run against it as the window runs it.

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "GbkConvert.h"
#include "ImportError.h"
#include "ImportMessages.h"
#include "ImportRun.h"
#include "InventoryDatabase.h"
#include "InventoryMerge.h"
#include "TestFiles.h"

namespace vantrel::import::testing {

using Cells = std::vector<std::optional<std::string>>;

// GBK of UTF-8 test text.
inline std::string G(std::string_view utf8) {
    return text::Utf8ToGbk(utf8);
}

// A zip made by Python's zipfile at `path`, with the parts the script
// lines add to `z`.
inline std::string MakeZip(const std::string& path, const std::string& parts) {
    const std::string script =
        "import sys, zipfile\n"
        "z = zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_DEFLATED)\n" +
        parts + "z.close()\n";
    const std::string py = path + ".py";
    std::ofstream(py) << script;
    EXPECT_EQ(std::system(("/usr/bin/python3 " + py + " " + path).c_str()), 0);
    return path;
}

class ImportFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "import-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        const std::string schema = testsupport::ReadFile(VANTREL_SCHEMA);
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open((dir_ + "/db.mdb").c_str(), &db), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(db, schema.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
        connection_.Open(dir_ + "/db.mdb");
    }

    void TearDown() override {
        connection_.Close();
        std::filesystem::remove_all(dir_);
    }

    std::string Write(const std::string& name, std::string_view bytes) {
        const std::string path = dir_ + "/" + name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    ImportCounts Import(const std::string& path, bool write = true, bool updateExisting = true,
                        std::optional<ColumnMapping> mapping = std::nullopt) {
        if (!mapping) {
            mapping = ReadPreview(path).mapping;
        }
        store::InventoryMerge merge(connection_, [] {
            std::tm t{};
            t.tm_year = 126;
            t.tm_mon = 11;
            t.tm_mday = 9;
            t.tm_hour = 10;
            return t;
        });
        RunOptions options;
        options.write = write;
        options.updateExisting = updateExisting;
        options.address = HistoryAddress(messages::FileName(path));
        return RunImport(path, 0, *mapping, merge, options);
    }

    // The message of the ImportError the import of `path` throws; "" when none.
    std::string ImportFailure(const std::string& path) {
        try {
            Import(path);
        } catch (const ImportError& error) {
            return error.what();
        }
        return "";
    }

    // Every row of a query, values as stored, nulls as nullopt.
    std::vector<Cells> Query(const std::string& sql) {
        auto lock = connection_.Lock();
        sqlite3_stmt* statement = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(connection_.Handle(), sql.c_str(), -1, &statement, nullptr),
                  SQLITE_OK);
        std::vector<Cells> rows;
        while (sqlite3_step(statement) == SQLITE_ROW) {
            Cells row;
            for (int c = 0; c < sqlite3_column_count(statement); ++c) {
                if (sqlite3_column_type(statement, c) == SQLITE_NULL) {
                    row.emplace_back();
                } else {
                    row.emplace_back(std::string(
                        reinterpret_cast<const char*>(sqlite3_column_text(statement, c)),
                        static_cast<std::size_t>(sqlite3_column_bytes(statement, c))));
                }
            }
            rows.push_back(std::move(row));
        }
        sqlite3_finalize(statement);
        return rows;
    }

    void Exec(const std::string& sql) {
        auto lock = connection_.Lock();
        ASSERT_EQ(sqlite3_exec(connection_.Handle(), sql.c_str(), nullptr, nullptr, nullptr),
                  SQLITE_OK)
            << sql;
    }

    std::string dir_;
    store::InventoryDatabase connection_;
};

}  // namespace vantrel::import::testing
