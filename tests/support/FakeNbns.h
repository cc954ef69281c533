#pragma once
// A stand-in NetBIOS name service on loopback addresses for sweep tests,
// and a builder of node-status answers. It binds only 127.0.0.0/8.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace vantrel::testsupport {

// One entry of a node-status name table.
struct NbName {
    std::string name;  // padded with spaces (or cut) to 15 bytes
    std::uint8_t suffix = 0x20;
    bool group = false;
};

// A standard NODE STATUS RESPONSE: 56 header and question bytes (marker at
// 47), NUM_NAMES, the entries, the UNIT_ID, and `statistics` zero bytes.
inline std::string NodeStatusAnswer(
    const std::vector<NbName>& names,
    const std::string& unitId = std::string("\x00\x0C\x29\xAB\xCD\xEF", 6),
    std::size_t statistics = 40) {
    std::string out("\x00\x00\x84\x00\x00\x00\x00\x01\x00\x00\x00\x00\x20", 13);
    out += "CKAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA";
    out += std::string("\x00\x00\x21\x00\x01\x00\x00\x00\x00\x00\x00", 11);
    out += static_cast<char>(names.size());
    for (const NbName& entry : names) {
        std::string name = entry.name.substr(0, 15);
        name.resize(15, ' ');
        out += name;
        out += static_cast<char>(entry.suffix);
        out += static_cast<char>(entry.group ? 0x84 : 0x04);
        out += '\0';
    }
    out += unitId;
    out += std::string(statistics, '\0');
    return out;
}

// Loopback addresses on one shared UDP port. Every datagram received is
// logged under the address it was sent to; the replies set for that address
// are sent back to its sender, each from the socket of its `from` address
// (which must be one of the responder's addresses).
class FakeNbns {
  public:
    struct Reply {
        std::string from;
        std::string bytes;
    };

    explicit FakeNbns(const std::vector<std::string>& addresses) {
        for (const std::string& address : addresses) {
            Bind(address);
        }
        thread_ = std::thread([this] { Serve(); });
    }
    ~FakeNbns() {
        stop_ = true;
        thread_.join();
        for (const auto& [address, fd] : sockets_) {
            ::close(fd);
        }
    }
    FakeNbns(const FakeNbns&) = delete;
    FakeNbns& operator=(const FakeNbns&) = delete;

    std::uint16_t Port() const { return port_; }

    void Answer(const std::string& address, std::string bytes) {
        AnswerFrom(address, address, std::move(bytes));
    }
    void AnswerFrom(const std::string& address, const std::string& from, std::string bytes) {
        std::lock_guard lock(mutex_);
        replies_[address].push_back({from, std::move(bytes)});
    }

    // The addresses requests were sent to, in arrival order.
    std::vector<std::string> Requests() const {
        std::lock_guard lock(mutex_);
        return requests_;
    }
    // Every request must be the 50-byte node-status request.
    bool AllRequestsWellFormed() const { return wellFormed_; }

  private:
    void Bind(const std::string& address) {
        const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_port = htons(port_);
        if (fd < 0 || ::inet_pton(AF_INET, address.c_str(), &local.sin_addr) != 1 ||
            (ntohl(local.sin_addr.s_addr) >> 24) != 127 ||
            ::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
            throw std::runtime_error("FakeNbns cannot bind " + address);
        }
        if (port_ == 0) {
            socklen_t length = sizeof local;
            ::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length);
            port_ = ntohs(local.sin_port);
        }
        sockets_[address] = fd;
    }

    void Serve() {
        std::vector<pollfd> fds;
        std::vector<std::string> names;
        for (const auto& [address, fd] : sockets_) {
            fds.push_back({fd, POLLIN, 0});
            names.push_back(address);
        }
        while (!stop_) {
            if (::poll(fds.data(), fds.size(), 10) <= 0) {
                continue;
            }
            for (std::size_t i = 0; i < fds.size(); ++i) {
                if (fds[i].revents & POLLIN) {
                    Handle(fds[i].fd, names[i]);
                }
            }
        }
    }

    void Handle(int fd, const std::string& address) {
        char buffer[1024];
        sockaddr_in peer{};
        socklen_t length = sizeof peer;
        const ssize_t got =
            ::recvfrom(fd, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&peer), &length);
        if (got < 0) {
            return;
        }
        std::vector<Reply> replies;
        {
            std::lock_guard lock(mutex_);
            requests_.push_back(address);
            if (got != 50 || buffer[46] != 0 || buffer[47] != 0x21) {
                wellFormed_ = false;
            }
            replies = replies_[address];
        }
        for (const Reply& reply : replies) {
            ::sendto(sockets_.at(reply.from), reply.bytes.data(), reply.bytes.size(), 0,
                     reinterpret_cast<sockaddr*>(&peer), sizeof peer);
        }
    }

    std::map<std::string, int> sockets_;
    std::uint16_t port_ = 0;
    mutable std::mutex mutex_;
    std::map<std::string, std::vector<Reply>> replies_;
    std::vector<std::string> requests_;
    std::atomic<bool> wellFormed_{true};
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// "127.0.0.<first>" .. "127.0.0.<last>".
inline std::vector<std::string> LoopbackRange(int first, int last) {
    std::vector<std::string> addresses;
    for (int i = first; i <= last; ++i) {
        addresses.push_back("127.0.0." + std::to_string(i));
    }
    return addresses;
}

}  // namespace vantrel::testsupport
