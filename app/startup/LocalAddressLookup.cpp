#include "LocalAddressLookup.h"

#include <fstream>

namespace vantrel::app {

LocalAddressLookup::LocalAddressLookup(AddressSource localAddress, std::string historyFile)
    : localAddress_(std::move(localAddress)), historyFile_(std::move(historyFile)) {}

LocalAddressLookup::~LocalAddressLookup() {
    WriteHistory();
}

void LocalAddressLookup::WriteHistory() const {
    // Created or emptied; a folder that cannot be written to is not worth
    // failing the exit for.
    std::ofstream history(historyFile_, std::ios::binary | std::ios::trunc);
}

std::string LocalAddressLookup::LocalIP() const {
    return localAddress_();
}

}  // namespace vantrel::app
