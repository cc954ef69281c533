#include "LocalAddressWatch.h"

#include <fstream>

namespace vantrel::app {

LocalAddressWatch::LocalAddressWatch(AddressSource localAddress, std::string historyFile)
    : localAddress_(std::move(localAddress)), historyFile_(std::move(historyFile)) {}

LocalAddressWatch::~LocalAddressWatch() {
    WriteHistory();
}

void LocalAddressWatch::WriteHistory() const {
    // Created or emptied; a folder that cannot be written to is not worth
    // failing the exit for.
    std::ofstream history(historyFile_, std::ios::binary | std::ios::trunc);
}

std::string LocalAddressWatch::LocalIP() const {
    return localAddress_();
}

}  // namespace vantrel::app
