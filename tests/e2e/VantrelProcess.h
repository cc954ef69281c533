#pragma once
// Runs the real `vantrel` for end-to-end tests: a copy of the built program in
// a fresh temporary folder beside a db.mdb made from the schema, started on
// the offscreen platform, ready once 127.0.0.1:8899 accepts connections.
// The destructor ends the program (SIGTERM, then SIGKILL) and removes the
// folder.
//
// Environment: VANTREL_BIN_DIR (folder of the built `vantrel`) and
// VANTREL_SCHEMA (store/schema.sql). Without them the program is looked for
// beside the running test program and the schema is the one the test was
// compiled with (VANTREL_SCHEMA definition).

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "HostsFile.h"
#include "LoopbackClient.h"
#include "TestFiles.h"

// The program looks up its own host name first thing at start-up. Where
// /etc/hosts does not answer, that lookup would go to the network, and a
// failed lookup stops start-up before db.mdb is opened: such a test skips.
#define VANTREL_SKIP_WITHOUT_HOSTS_ENTRY()            \
    if (!vantrel::testsupport::HostNameInHostsFile()) \
    GTEST_SKIP() << "this machine's host name is not in /etc/hosts"

extern char** environ;

namespace vantrel::e2e {

using testsupport::ReadFile;

inline constexpr std::uint16_t kIntakePort = 8899;

// Runs `sql` (one or more statements) on the SQLite file `path`, creating it
// when missing. Throws std::runtime_error with SQLite's message.
inline void RunSql(const std::filesystem::path& path, const std::string& sql) {
    sqlite3* db = nullptr;
    int rc =
        sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    std::string error;
    if (rc == SQLITE_OK) {
        char* message = nullptr;
        rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message);
        if (rc != SQLITE_OK) {
            error = message != nullptr ? message : "sqlite3_exec failed";
        }
        sqlite3_free(message);
    } else {
        error = db != nullptr ? sqlite3_errmsg(db) : "sqlite3_open_v2 failed";
    }
    sqlite3_close(db);
    if (!error.empty()) {
        throw std::runtime_error(path.string() + ": " + error);
    }
}

// Every row `sql` gives from the SQLite file `path`, each column as its
// bytes; no rows when the file cannot be read.
inline std::vector<std::vector<std::string>> TextRows(const std::filesystem::path& path,
                                                      const std::string& sql) {
    sqlite3* handle = nullptr;
    std::vector<std::vector<std::string>> rows;
    if (sqlite3_open_v2(path.c_str(), &handle, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(handle, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK) {
            while (sqlite3_step(statement) == SQLITE_ROW) {
                std::vector<std::string> row;
                for (int i = 0; i < sqlite3_column_count(statement); ++i) {
                    const auto* bytes = static_cast<const char*>(sqlite3_column_blob(statement, i));
                    row.emplace_back(bytes != nullptr ? bytes : "",
                                     static_cast<std::size_t>(sqlite3_column_bytes(statement, i)));
                }
                rows.push_back(row);
            }
        }
        sqlite3_finalize(statement);
    }
    sqlite3_close(handle);
    return rows;
}

// Sends `request` on a fresh loopback connection, half-closes, and returns
// every byte received until the peer closes (or `timeout` passes).
inline std::string Exchange(const std::string& request, std::uint16_t port = kIntakePort,
                            std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
    int fd = testsupport::Connect(port);
    if (fd < 0) {
        throw std::runtime_error("connection to 127.0.0.1 refused");
    }
    timeval tv{};
    tv.tv_sec = static_cast<time_t>(timeout.count() / 1000);
    tv.tv_usec = static_cast<suseconds_t>((timeout.count() % 1000) * 1000);
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    testsupport::Send(fd, request);
    ::shutdown(fd, SHUT_WR);
    std::string reply = testsupport::ReadToEnd(fd);
    ::close(fd);
    return reply;
}

struct VantrelOptions {
    // Folder the program runs in (where it looks for ip.html and writes
    // iphist.dat); empty means the temporary folder itself.
    std::filesystem::path workingDirectory;
    // Make db.mdb beside the copied program from the schema.
    bool createDatabase = true;
    // Extra SQL run on the new db.mdb before start (rows for a test).
    std::string seedSql;
    // Extra environment entries "NAME=value" for the program.
    std::vector<std::string> environment;
    std::chrono::milliseconds startTimeout = std::chrono::seconds(30);
    // Wait until 127.0.0.1:8899 accepts before the constructor returns.
    bool waitListening = true;
    // Take turns on 8899 with other end-to-end tests, and refuse to start
    // when it is taken all the same (another program would answer in our
    // place); off for a test that wants the port taken.
    bool requireFreePort = true;
};

class VantrelProcess {
  public:
    explicit VantrelProcess(VantrelOptions options = {}) : options_(std::move(options)) {
        const std::filesystem::path binDir = ProgramFolder();
        const std::filesystem::path schema = SchemaFile();
        char pattern[] = "/tmp/vantrel-e2e-XXXXXX";
        if (::mkdtemp(pattern) == nullptr) {
            throw std::runtime_error("mkdtemp failed");
        }
        folder_ = pattern;
        try {
            if (options_.requireFreePort) {
                LockPort(options_.startTimeout + std::chrono::seconds(120));
            }
            Prepare(std::filesystem::path(binDir) / "vantrel", schema);
            Launch();
            if (options_.waitListening) {
                WaitListening(options_.startTimeout);
            }
        } catch (...) {
            Terminate();
            UnlockPort();
            std::error_code ignored;
            std::filesystem::remove_all(folder_, ignored);
            throw;
        }
    }

    ~VantrelProcess() {
        Terminate();
        UnlockPort();
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }

    VantrelProcess(const VantrelProcess&) = delete;
    VantrelProcess& operator=(const VantrelProcess&) = delete;

    // The temporary folder holding the program copy and db.mdb.
    const std::filesystem::path& Folder() const { return folder_; }
    std::filesystem::path Database() const { return folder_ / "db.mdb"; }
    std::filesystem::path WorkingDirectory() const {
        return options_.workingDirectory.empty() ? folder_ : options_.workingDirectory;
    }
    pid_t Pid() const { return pid_; }
    // What the program wrote to stdout and stderr so far.
    std::string Output() const { return ReadFile(folder_ / "output.log"); }

    // True while the program has not ended.
    bool Running() {
        if (pid_ <= 0) {
            return false;
        }
        int status = 0;
        pid_t done = ::waitpid(pid_, &status, WNOHANG);
        if (done == pid_) {
            Reap(status);
            return false;
        }
        return true;
    }

    // Polls until 127.0.0.1:8899 accepts a connection made while our program
    // runs. Throws when the program ends first or the time runs out.
    void WaitListening(std::chrono::milliseconds timeout) {
        auto deadline = std::chrono::steady_clock::now() + timeout;
        for (;;) {
            if (!Running()) {
                throw std::runtime_error("vantrel ended before listening, status " +
                                         std::to_string(exitStatus_) + ": " + Output());
            }
            int fd = testsupport::Connect(kIntakePort);
            if (fd >= 0) {
                ::close(fd);
                return;
            }
            if (std::chrono::steady_clock::now() > deadline) {
                throw std::runtime_error("vantrel did not listen on 8899 in time: " + Output());
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }

    // Asks the program to close (SIGTERM closes the window as the user would),
    // waits up to `grace`, then kills it. Returns the exit status, or
    // 128 + signal number when a signal ended it.
    int Terminate(std::chrono::milliseconds grace = std::chrono::seconds(10)) {
        if (pid_ > 0 && Running()) {
            ::kill(pid_, SIGTERM);
            auto deadline = std::chrono::steady_clock::now() + grace;
            while (Running() && std::chrono::steady_clock::now() < deadline) {
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
            if (Running()) {
                ::kill(pid_, SIGKILL);
                int status = 0;
                if (::waitpid(pid_, &status, 0) == pid_) {
                    Reap(status);
                }
            }
        }
        return exitStatus_;
    }

    // Waits until the program ends by itself; returns its exit status as
    // Terminate does, or -1 when `timeout` passes first.
    int Wait(std::chrono::milliseconds timeout) {
        auto deadline = std::chrono::steady_clock::now() + timeout;
        while (Running()) {
            if (std::chrono::steady_clock::now() > deadline) {
                return -1;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return exitStatus_;
    }

  private:
    // Every test program that runs vantrel takes turns on port 8899 through
    // this lock file, whatever runs them side by side.
    void LockPort(std::chrono::milliseconds timeout) {
        lockFd_ = ::open("/tmp/vantrel-e2e-8899.lock", O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (lockFd_ < 0) {
            throw std::runtime_error("cannot open /tmp/vantrel-e2e-8899.lock");
        }
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (::flock(lockFd_, LOCK_EX | LOCK_NB) != 0) {
            if (std::chrono::steady_clock::now() > deadline) {
                UnlockPort();
                throw std::runtime_error("port 8899 stayed in use by another end-to-end test");
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }

    void UnlockPort() {
        if (lockFd_ >= 0) {
            ::close(lockFd_);  // releases the lock
            lockFd_ = -1;
        }
    }

    static std::filesystem::path ProgramFolder() {
        if (const char* dir = std::getenv("VANTREL_BIN_DIR"); dir != nullptr && *dir != '\0') {
            return dir;
        }
        // Test programs and vantrel are built into the same folder.
        return std::filesystem::read_symlink("/proc/self/exe").parent_path();
    }

    static std::filesystem::path SchemaFile() {
        if (const char* file = std::getenv("VANTREL_SCHEMA"); file != nullptr && *file != '\0') {
            return file;
        }
#ifdef VANTREL_SCHEMA
        return VANTREL_SCHEMA;
#else
        throw std::runtime_error("VANTREL_SCHEMA is not set");
#endif
    }

    void Prepare(const std::filesystem::path& program, const std::filesystem::path& schema) {
        namespace fs = std::filesystem;
        fs::copy_file(program, folder_ / "vantrel", fs::copy_options::overwrite_existing);
        fs::permissions(folder_ / "vantrel", fs::perms::owner_all, fs::perm_options::add);
        if (options_.createDatabase) {
            std::string sql = ReadFile(schema);
            if (sql.empty()) {
                throw std::runtime_error("cannot read schema " + schema.string());
            }
            RunSql(Database(), sql + options_.seedSql);
        }
        int fd = options_.requireFreePort ? testsupport::Connect(kIntakePort) : -1;
        if (fd >= 0) {
            ::close(fd);
            throw std::runtime_error("127.0.0.1:8899 is already taken by another program");
        }
    }

    void Launch() {
        // Everything the child needs is prepared before fork: after it only
        // async-signal-safe calls are allowed.
        std::string path = (folder_ / "vantrel").string();
        std::string workDir = WorkingDirectory().string();
        std::string logPath = (folder_ / "output.log").string();
        std::vector<std::string> env;
        for (char** entry = environ; *entry != nullptr; ++entry) {
            if (std::strncmp(*entry, "QT_QPA_PLATFORM=", 16) != 0) {
                env.emplace_back(*entry);
            }
        }
        env.emplace_back("QT_QPA_PLATFORM=offscreen");
        // A sanitizer build of vantrel checks for leaks at exit; those kept
        // by system libraries that Qt loads are not the program's.
        if (std::getenv("LSAN_OPTIONS") == nullptr) {
            const auto suppressions = folder_ / "lsan.supp";
            std::ofstream(suppressions) << "leak:libfontconfig\nleak:libdbus\nleak:libglib\n"
                                           "leak:libQt6Gui\n";
            env.push_back("LSAN_OPTIONS=suppressions=" + suppressions.string() +
                          ":print_suppressions=0");
        }
        for (const auto& extra : options_.environment) {
            env.push_back(extra);
        }
        std::vector<char*> envp;
        for (auto& entry : env) {
            envp.push_back(entry.data());
        }
        envp.push_back(nullptr);
        std::vector<char*> argv{path.data(), nullptr};

        int log = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (log < 0) {
            throw std::runtime_error("cannot create " + logPath);
        }
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(log, STDOUT_FILENO);
            ::dup2(log, STDERR_FILENO);
            int null = ::open("/dev/null", O_RDONLY);
            if (null >= 0) {
                ::dup2(null, STDIN_FILENO);
            }
            if (::chdir(workDir.c_str()) != 0) {
                ::_exit(126);
            }
            ::execve(path.c_str(), argv.data(), envp.data());
            ::_exit(127);
        }
        ::close(log);
        if (pid_ < 0) {
            throw std::runtime_error("fork failed");
        }
    }

    void Reap(int status) {
        exitStatus_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        pid_ = -1;
    }

    VantrelOptions options_;
    std::filesystem::path folder_;
    pid_t pid_ = -1;
    int exitStatus_ = -1;
    int lockFd_ = -1;
};

}  // namespace vantrel::e2e
