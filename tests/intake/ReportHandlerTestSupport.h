#pragma once
// Fakes and a scratch database for the report handler's tests.

#include <sqlite3.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "Connection.h"
#include "FixedTime.h"
#include "HttpRequest.h"
#include "IntakeError.h"
#include "InventoryDatabase.h"
#include "ReportHandler.h"

namespace vantrel::intake::test {

// Records what the handler writes; can refuse writes like a peer that has
// gone.
class FakeConnection : public Connection {
  public:
    std::string written;
    bool closed = false;
    bool stopped = false;
    bool failWrites = false;

    void WriteRaw(std::string_view bytes) override {
        if (failWrites || closed) {
            throw IntakeError("Connection reset by peer");
        }
        written += bytes;
    }
    void CloseConnection() override { closed = true; }
    void StopThread() override { stopped = true; }
    std::string PeerAddress() const override { return "127.0.0.1"; }
};

// Thread-safe record of what the handler posted to the window.
class FakeSink : public ReportSink {
  public:
    void PostLogLine(std::string line) override {
        std::lock_guard<std::mutex> lock(mutex_);
        events_.push_back("log:" + line);
        lines_.push_back(std::move(line));
    }
    void PostMark(std::string address, std::string user) override {
        std::lock_guard<std::mutex> lock(mutex_);
        events_.push_back("mark:" + address + "|" + user);
        marks_.emplace_back(std::move(address), std::move(user));
    }
    std::vector<std::string> Lines() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return lines_;
    }
    std::vector<std::pair<std::string, std::string>> Marks() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return marks_;
    }
    std::vector<std::string> Events() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return events_;
    }

  private:
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
    std::vector<std::pair<std::string, std::string>> marks_;
    std::vector<std::string> events_;
};

// 2024-05-06 09:07:03, for log lines the tests can compare.
inline std::tm FixedTime() {
    return testsupport::LocalTime(2024, 5, 6, 9, 7, 3);
}

inline std::string SchemaPath() {
    const char* env = std::getenv("VANTREL_SCHEMA");
    return env != nullptr && *env != '\0' ? env : VANTREL_SCHEMA;
}

// tests/data, from the environment or beside this file's folder.
inline std::string TestDataPath(const std::string& name) {
    const char* env = std::getenv("VANTREL_TEST_DATA");
    const std::filesystem::path dir =
        env != nullptr && *env != '\0'
            ? std::filesystem::path(env)
            : std::filesystem::path(__FILE__).parent_path().parent_path() / "data";
    return (dir / name).string();
}

// A fresh folder under the system's temporary directory, removed with the
// object.
class TempDir {
  public:
    TempDir() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "vantrel-report-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("mkdtemp failed");
        }
        path_ = pattern;
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& Path() const { return path_; }

  private:
    std::filesystem::path path_;
};

// Puts the process in another working directory for one test.
class WorkingDirectory {
  public:
    explicit WorkingDirectory(const std::filesystem::path& path)
        : saved_(std::filesystem::current_path()) {
        std::filesystem::current_path(path);
    }
    ~WorkingDirectory() {
        std::error_code ignored;
        std::filesystem::current_path(saved_, ignored);
    }
    WorkingDirectory(const WorkingDirectory&) = delete;
    WorkingDirectory& operator=(const WorkingDirectory&) = delete;

  private:
    std::filesystem::path saved_;
};

using Row = std::vector<std::optional<std::string>>;

// A database made from the schema, with its own sqlite3 handle for setting
// up rows and reading them back independently of the store.
class ScratchDatabase {
  public:
    ScratchDatabase() : file_((dir_.Path() / "db.mdb").string()) {
        std::ifstream in(SchemaPath());
        std::ostringstream schema;
        schema << in.rdbuf();
        if (schema.str().empty()) {
            throw std::runtime_error("schema not readable: " + SchemaPath());
        }
        Exec(schema.str());
    }
    const std::string& File() const { return file_; }

    void Exec(const std::string& sql) const {
        sqlite3* db = nullptr;
        if (sqlite3_open_v2(file_.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                            nullptr) != SQLITE_OK) {
            sqlite3_close(db);
            throw std::runtime_error("cannot open " + file_);
        }
        sqlite3_busy_timeout(db, 5000);
        char* error = nullptr;
        const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error);
        std::string message = error != nullptr ? error : "";
        sqlite3_free(error);
        sqlite3_close(db);
        if (rc != SQLITE_OK) {
            throw std::runtime_error(message);
        }
    }

    // Rows of a select, each value as its bytes or nullopt for null.
    std::vector<Row> Query(const std::string& sql) const {
        sqlite3* db = nullptr;
        if (sqlite3_open_v2(file_.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
            sqlite3_close(db);
            throw std::runtime_error("cannot open " + file_);
        }
        sqlite3_busy_timeout(db, 5000);
        sqlite3_stmt* statement = nullptr;
        std::vector<Row> rows;
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
            std::string message = sqlite3_errmsg(db);
            sqlite3_close(db);
            throw std::runtime_error(message);
        }
        while (sqlite3_step(statement) == SQLITE_ROW) {
            Row row;
            for (int i = 0; i < sqlite3_column_count(statement); ++i) {
                if (sqlite3_column_type(statement, i) == SQLITE_NULL) {
                    row.emplace_back(std::nullopt);
                } else {
                    const auto* bytes =
                        reinterpret_cast<const char*>(sqlite3_column_blob(statement, i));
                    const int size = sqlite3_column_bytes(statement, i);
                    row.emplace_back(
                        std::string(bytes != nullptr ? bytes : "", static_cast<std::size_t>(size)));
                }
            }
            rows.push_back(std::move(row));
        }
        sqlite3_finalize(statement);
        sqlite3_close(db);
        return rows;
    }

    long long Count(const std::string& where = "1") const {
        return std::stoll(*Query("select count(*) from ip where " + where).at(0).at(0));
    }

  private:
    TempDir dir_;
    std::string file_;
};

inline HttpRequest MakeRequest(std::string method, std::string path,
                               std::vector<std::string> params, std::string client = "127.0.0.1") {
    HttpRequest request;
    request.method = std::move(method);
    request.path = std::move(path);
    request.params = std::move(params);
    request.clientAddress = std::move(client);
    return request;
}

// Column order of the handler's sixteen report columns.
inline constexpr const char* kReportColumns =
    "pcname,username,mac,ip,cpu,board,os,pctype,rammax,rammin,bios,bm,dh,bz,yp,xk";

}  // namespace vantrel::intake::test
