#include "CollectorMarker.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "Gbk.h"

namespace vantrel::protocol {

namespace {

bool IsAsciiDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsNameChar(char c) {
    return IsAsciiDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '-' ||
           c == '.' || c == '_';
}

// Host names of letters, digits, '-', '_' and '.', labels of 1 to 63
// characters; a dotted IPv4 address is one of them.
bool IsValidName(std::string_view name) {
    if (name.empty() || name.size() > 253) {
        return false;
    }
    std::size_t label = 0;
    for (char c : name) {
        if (!IsNameChar(c)) {
            return false;
        }
        if (c == '.') {
            if (label == 0) {
                return false;
            }
            label = 0;
        } else if (++label > 63) {
            return false;
        }
    }
    return name.front() != '-';
}

bool IsValidIpv6Literal(std::string_view host) {
    if (host.size() < 4 || host.front() != '[' || host.back() != ']') {
        return false;
    }
    const std::string_view inner = host.substr(1, host.size() - 2);
    return std::all_of(inner.begin(), inner.end(),
                       [](char c) { return text::IsAsciiHexDigit(c) || c == ':' || c == '.'; }) &&
           inner.find(':') != std::string_view::npos;
}

bool IsValidPort(std::string_view port) {
    if (port.empty() || port.size() > 5 || !std::all_of(port.begin(), port.end(), IsAsciiDigit)) {
        return false;
    }
    const unsigned long value = std::stoul(std::string(port));
    return value >= 1 && value <= 65535;
}

// Position of the ':' that starts the port, npos when there is none.
std::size_t PortColon(std::string_view text) {
    if (!text.empty() && text.front() == '[') {
        const std::size_t close = text.find(']');
        if (close == std::string_view::npos || close + 1 == text.size()) {
            return std::string_view::npos;
        }
        return close + 1;
    }
    return text.find(':');
}

}  // namespace

bool IsValidHostPort(std::string_view text) {
    if (text.empty() || text.size() >= kMarkerCapacity) {
        return false;
    }
    const std::size_t colon = PortColon(text);
    const std::string_view host = text.substr(0, colon);
    if (colon != std::string_view::npos) {
        if (text[colon] != ':' || !IsValidPort(text.substr(colon + 1))) {
            return false;
        }
    }
    return host.front() == '[' ? IsValidIpv6Literal(host) : IsValidName(host);
}

std::string ServerFromMarkerField(const char* field) {
    const std::size_t length = strnlen(field, kMarkerCapacity);
    std::string text(field, length);
    return IsValidHostPort(text) ? text : std::string();
}

ServerAddress SplitHostPort(std::string_view hostPort) {
    if (!IsValidHostPort(hostPort)) {
        throw std::runtime_error("Not a valid server address: " + std::string(hostPort));
    }
    ServerAddress address;
    const std::size_t colon = PortColon(hostPort);
    std::string_view host = hostPort.substr(0, colon);
    if (colon != std::string_view::npos) {
        address.port = static_cast<unsigned>(std::stoul(std::string(hostPort.substr(colon + 1))));
    }
    if (host.front() == '[') {
        host = host.substr(1, host.size() - 2);
    }
    address.host = std::string(host);
    return address;
}

}  // namespace vantrel::protocol
