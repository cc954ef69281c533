#pragma once
// The local address, looked up each time it is asked for, and the address
// history file iphist.dat, which the program keeps empty: it is created or
// emptied at every exit (by the destructor, or by WriteHistory before an
// exit that skips destructors). The program records no address history.

#include <functional>
#include <string>

namespace vantrel::app {

class LocalAddressLookup {
  public:
    using AddressSource = std::function<std::string()>;

    LocalAddressLookup(AddressSource localAddress, std::string historyFile);
    ~LocalAddressLookup();
    LocalAddressLookup(const LocalAddressLookup&) = delete;
    LocalAddressLookup& operator=(const LocalAddressLookup&) = delete;

    // The local address; throws what the address source throws.
    std::string LocalIP() const;
    // Creates or empties the history file; the destructor does the same.
    void WriteHistory() const;

  private:
    AddressSource localAddress_;
    std::string historyFile_;
};

}  // namespace vantrel::app
