#include "MarkerPatch.h"

#include <cstring>

#include "CollectorMarker.h"
#include "IntakeError.h"

namespace vantrel::intake {

// Not part of the marker rules the collector compiles: the collector never
// holds this code, so the magic's bytes stand in its program only once.
void PatchServerMarker(std::string& file, std::string_view hostPort) {
    using protocol::kMarkerCapacity;
    using protocol::kMarkerMagic;
    if (!protocol::IsValidHostPort(hostPort)) {
        throw IntakeError("Not a valid server address: " + std::string(hostPort));
    }
    const std::size_t at = file.find(kMarkerMagic);
    if (at == std::string::npos || file.size() - at < protocol::kMarkerSize) {
        throw IntakeError("The collector file holds no server marker");
    }
    if (file.find(kMarkerMagic, at + 1) != std::string::npos) {
        throw IntakeError("The collector file holds more than one server marker");
    }
    char* field = file.data() + at + kMarkerMagic.size();
    std::memset(field, 0, kMarkerCapacity);
    std::memcpy(field, hostPort.data(), hostPort.size());
}

}  // namespace vantrel::intake
