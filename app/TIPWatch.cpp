#include "TIPWatch.h"

#include <fstream>

namespace vantrel::app {

TIPWatch::TIPWatch(AddressSource localAddress, std::string historyFile)
    : localAddress_(std::move(localAddress)), historyFile_(std::move(historyFile)) {}

TIPWatch::~TIPWatch() {
    WriteHistory();
}

void TIPWatch::WriteHistory() const {
    // Created or emptied; a folder that cannot be written to is not worth
    // failing the exit for.
    std::ofstream history(historyFile_, std::ios::binary | std::ios::trunc);
}

std::string TIPWatch::LocalIP() const {
    return localAddress_();
}

}  // namespace vantrel::app
