#include "ServerMarker.h"

#include "CollectorMarker.h"

namespace vantrel::collector::detail {

// Built from the magic at compile time so that the magic's bytes stand in
// the file once, here. Not const and read through a volatile pointer, so
// the compiler can neither fold the empty field nor drop it.
struct Marker {
    char bytes[protocol::kMarkerSize];
};

constexpr Marker MakeMarker() {
    Marker marker{};
    for (std::size_t i = 0; i < protocol::kMarkerMagic.size(); ++i) {
        marker.bytes[i] = protocol::kMarkerMagic[i];
    }
    return marker;
}

}  // namespace vantrel::collector::detail

extern "C" {
[[gnu::used]] vantrel::collector::detail::Marker vantrelServerMarker =
    vantrel::collector::detail::MakeMarker();
}

namespace vantrel::collector {

std::string PatchedServer() {
    using protocol::kMarkerCapacity;
    char field[kMarkerCapacity];
    const volatile char* source = vantrelServerMarker.bytes + protocol::kMarkerMagic.size();
    for (std::size_t i = 0; i < kMarkerCapacity; ++i) {
        field[i] = source[i];
    }
    field[kMarkerCapacity - 1] = '\0';
    return protocol::ServerFromMarkerField(field);
}

}  // namespace vantrel::collector
