#pragma once
// Texts the catalog's count meets over and over (program names, versions),
// each numbered once in the order first seen: a row then costs one lookup
// by its bytes instead of a string of its own.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel::store {

class CatalogTexts {
  public:
    // The number of `text`: 0, 1, 2, ... in the order texts were first seen.
    std::uint32_t NumberOf(std::string_view text);
    std::string_view Text(std::uint32_t number) const;
    std::size_t Size() const { return starts_.size() - 1; }

  private:
    void Grow();

    // Every text one after the other; text n spans starts_[n] to starts_[n + 1].
    std::string bytes_;
    std::vector<std::size_t> starts_{0};
    // Open addressing, linear probing, at most half full: a text's number
    // plus one in the low half, the high half of its hash in the high half
    // (most texts that differ are told apart without their bytes); 0 where
    // empty. Its size is a power of two.
    std::vector<std::uint64_t> slots_;
};

}  // namespace vantrel::store
