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
    const std::string& Text(std::uint32_t number) const { return texts_[number]; }
    std::size_t Size() const { return texts_.size(); }

  private:
    void Grow();

    std::vector<std::string> texts_;
    std::vector<std::size_t> hashes_;  // of each text, by number
    // Open addressing, linear probing, at most half full: a text's number
    // plus one, 0 where empty. Its size is a power of two.
    std::vector<std::uint32_t> slots_;
};

}  // namespace vantrel::store
