// Time and peak memory of converting Access inventories into the store,
// beside mdbtools' own `mdb-export FILE ip > /dev/null` of the same files in
// the same run. Each conversion and each export runs in a child process of
// its own, so its peak resident size is its own; with two files of
// different sizes the peaks show whether memory grows with the rows. CPU
// time is printed beside the wall time: on a busy machine it is the fairer
// comparison.
//
// Usage: bench_access FILE.mdb [FILE.mdb ...]
// Each file is copied to a temporary folder as db.mdb before it is timed
// (the copy is not timed); the folder is removed afterwards.

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include "AccessImport.h"
#include "ChildFigures.h"
#include "ImportError.h"

namespace {

namespace fs = std::filesystem;

using vantrel::bench::Figures;

// Runs `body` in a child; its exit code 0 means success.
Figures InChild(const std::function<int()>& body) {
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = ::fork();
    if (child == 0) {
        ::_exit(body());
    }
    return vantrel::bench::WaitForChild(child, start);
}

void Print(const char* what, const fs::path& file, const Figures& f, std::size_t rows) {
    std::printf("%-12s %-24s %7.3f s wall %7.3f s cpu %7.1f MiB peak  %s", what,
                file.filename().c_str(), f.seconds, f.cpuSeconds,
                static_cast<double>(f.peakKiB) / 1024.0, f.ok ? "ok" : "FAILED");
    if (rows > 0) {
        std::printf("  %zu rows", rows);
    }
    std::printf("\n");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FILE.mdb [FILE.mdb ...]\n", argv[0]);
        return 2;
    }
    std::string pattern = (fs::temp_directory_path() / "bench-access-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const fs::path dir = pattern;
    for (int i = 1; i < argc; ++i) {
        const fs::path source = argv[i];
        const fs::path db = dir / "db.mdb";
        fs::remove_all(dir);
        fs::create_directory(dir);
        fs::copy_file(source, db);

        // Rows go through a pipe: the child's counters die with it.
        int fds[2];
        if (::pipe(fds) != 0) {
            return 1;
        }
        Figures convert = InChild([&] {
            ::close(fds[0]);
            try {
                auto result = vantrel::import::AccessImport::ConvertIfAccess(db.string());
                const std::size_t rows = result ? result->rows : 0;
                return ::write(fds[1], &rows, sizeof rows) == sizeof rows && result ? 0 : 1;
            } catch (const vantrel::import::ImportError& error) {
                std::fprintf(stderr, "conversion failed (GBK): %s\n", error.what());
                return 1;
            }
        });
        ::close(fds[1]);
        std::size_t rows = 0;
        if (::read(fds[0], &rows, sizeof rows) != sizeof rows) {
            rows = 0;
        }
        ::close(fds[0]);
        Print("convert", source, convert, rows);

        Figures exported = InChild([&] {
            const int null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, STDOUT_FILENO);
            ::execlp("mdb-export", "mdb-export", source.c_str(), "ip", static_cast<char*>(nullptr));
            return 127;
        });
        Print("mdb-export", source, exported, 0);
    }
    fs::remove_all(dir);
    return 0;
}
