#include <cstring>
#include <stdexcept>

#include "CollectorMarker.h"

// Kept apart from the rest of the marker rules: the program itself never
// links it, so the magic's bytes stand in vantrel-collect.exe only once.
namespace vantrel::collector {

void PatchServerMarker(std::string& file, std::string_view hostPort) {
    if (!IsValidHostPort(hostPort)) {
        throw std::runtime_error("Not a valid server address: " + std::string(hostPort));
    }
    const std::size_t at = file.find(kMarkerMagic);
    if (at == std::string::npos || file.size() - at < kMarkerSize) {
        throw std::runtime_error("The collector file holds no server marker");
    }
    if (file.find(kMarkerMagic, at + 1) != std::string::npos) {
        throw std::runtime_error("The collector file holds more than one server marker");
    }
    char* field = file.data() + at + kMarkerMagic.size();
    std::memset(field, 0, kMarkerCapacity);
    std::memcpy(field, hostPort.data(), hostPort.size());
}

}  // namespace vantrel::collector
