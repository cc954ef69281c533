#pragma once
// The parts of a zip file (a .xlsx), read as streams with one bound on
// the bytes they expand to, all parts together: what the directory
// declares is checked before a part is opened, and what inflating really
// gives while it is read, since a declared size may lie.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

struct zip;
struct zip_file;

namespace vantrel::import {

class ZipArchive {
  public:
    // Throws ImportError: not a zip, damaged, or encrypted.
    ZipArchive(const std::string& path, std::uint64_t maxExpanded);
    ~ZipArchive();
    ZipArchive(const ZipArchive&) = delete;
    ZipArchive& operator=(const ZipArchive&) = delete;

    bool Has(const std::string& name) const;

    // What the directory declares of a part: its expanded size and the
    // CRC-32 of its bytes, which reading the part checks. Nothing when the
    // part is missing or the directory does not give both.
    struct Declared {
        std::uint64_t size = 0;
        std::uint32_t crc = 0;
    };
    std::optional<Declared> Declare(const std::string& name) const;

    class Part {
      public:
        ~Part();
        Part(const Part&) = delete;
        Part& operator=(const Part&) = delete;
        // Up to `size` bytes into `buffer`; 0 at the end. Throws ImportError.
        std::size_t Read(char* buffer, std::size_t size);
        double Progress() const;

      private:
        friend class ZipArchive;
        Part(ZipArchive& archive, zip_file* file, std::uint64_t size, bool counted)
            : archive_(archive), file_(file), size_(size), counted_(counted) {}
        ZipArchive& archive_;
        zip_file* file_;
        std::uint64_t size_;
        bool counted_;
        std::uint64_t read_ = 0;
    };
    // Throws ImportError when the part is missing, damaged or past the bound.
    // `counted` false reads a part a second time without charging the bound
    // again.
    std::unique_ptr<Part> Open(const std::string& name, bool counted = true);

  private:
    [[noreturn]] void Fail(std::string_view detail) const;

    zip* archive_ = nullptr;
    std::string path_;
    std::uint64_t left_;  // expanded bytes still allowed
};

}  // namespace vantrel::import
