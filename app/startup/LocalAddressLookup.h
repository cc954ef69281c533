#pragma once
// The window's source of the local address. Its address watch never runs, so
// the address history it keeps stays empty; that empty history is written to
// its file when the watch is destroyed, i.e. at every exit of the program.

#include <functional>
#include <string>

namespace vantrel::app {

class LocalAddressWatch {
  public:
    using AddressSource = std::function<std::string()>;

    LocalAddressWatch(AddressSource localAddress, std::string historyFile);
    ~LocalAddressWatch();
    LocalAddressWatch(const LocalAddressWatch&) = delete;
    LocalAddressWatch& operator=(const LocalAddressWatch&) = delete;

    // The local address; throws what the address source throws.
    std::string LocalIP() const;
    // Creates or empties the history file; the destructor does the same.
    void WriteHistory() const;

  private:
    AddressSource localAddress_;
    std::string historyFile_;
};

}  // namespace vantrel::app
