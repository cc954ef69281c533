#pragma once
// Statement text with :name parameters, rewritten for SQLite: every
// occurrence of a name becomes ?N, N being the name's place among the
// distinct names (case ignored), and "::" becomes ":". Quoted literals,
// quoted identifiers and comments are copied unchanged.

#include <string>
#include <string_view>
#include <vector>

namespace vantrel::store {

class ParsedSql {
  public:
    explicit ParsedSql(std::string_view text = {});

    // The text to prepare.
    const std::string& Sql() const { return sql_; }
    // Distinct parameter names in order of first appearance, as written.
    const std::vector<std::string>& Names() const { return names_; }
    // Index into Names() of a name matched ignoring ASCII case; -1 if none.
    int Find(std::string_view name) const;

  private:
    std::string sql_;
    std::vector<std::string> names_;
};

}  // namespace vantrel::store
