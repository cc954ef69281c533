#pragma once
// The MAC addresses table ip holds, for telling the online list's hosts
// that have never sent a report. MACs compare as scan::MacKey does.

#include <string>
#include <string_view>
#include <unordered_set>

namespace vantrel::store {
class TADOConnection;
}

namespace vantrel::app {

class TReportedMacs {
  public:
    // Reads the mac of every row of ip. On a failure (no database open) the
    // set is left unknown and the error is thrown.
    void Load(store::TADOConnection& connection);
    // Adds the macs of the rows of ip whose ip column is `address`: what a
    // report from that address has just stored.
    void AddRowsOf(store::TADOConnection& connection, const std::string& address);

    // Whether a Load has succeeded; without one no host counts as unreported.
    bool Known() const { return known_; }
    // Known, and `mac` is not in table ip.
    bool IsUnreported(std::string_view mac) const;
    std::size_t Size() const { return keys_.size(); }

  private:
    void AddRows(store::TADOConnection& connection, std::string_view sql,
                 const std::string* address);

    std::unordered_set<std::string> keys_;
    bool known_ = false;
};

}  // namespace vantrel::app
