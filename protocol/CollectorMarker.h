#pragma once
// The server address inside a collector program, as the intake and the
// collectors agree on it. The program carries one fixed-size field that
// starts with a magic text; the intake writes the address it was reached at
// into that field as it serves the file, so a downloaded copy reports back
// to its server with no setup.
//
// Layout: kMarkerMagic (16 bytes), then kMarkerCapacity bytes holding a
// NUL-terminated host[:port], zero-filled after it.

#include <cstddef>
#include <string>
#include <string_view>

namespace vantrel::protocol {

inline constexpr std::string_view kMarkerMagic = "<VantrelServer>=";
inline constexpr std::size_t kMarkerCapacity = 240;
inline constexpr std::size_t kMarkerSize = kMarkerMagic.size() + kMarkerCapacity;

// Whether `text` is a host name, dotted IPv4 address or bracketed IPv6
// address, optionally followed by ":port" (1 to 65535), that fits the field
// with its terminating NUL. Only letters, digits and "-_.:[]" pass, so an
// address that passes can be written into a program or a script unquoted.
bool IsValidHostPort(std::string_view text);

// The address held by a marker field (the kMarkerCapacity bytes after the
// magic): up to the first NUL, "" when it is not a valid host[:port].
std::string ServerFromMarkerField(const char* field);

// Host and port of a host[:port]; the port is 80 (HTTP's own) when none is
// given. The host keeps its brackets off for IPv6.
struct ServerAddress {
    std::string host;
    unsigned port = 80;
};
// Throws std::runtime_error when `hostPort` is not valid.
ServerAddress SplitHostPort(std::string_view hostPort);

}  // namespace vantrel::protocol
