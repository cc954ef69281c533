#include "HttpService.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <list>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

#include "IntakeError.h"
#include "IntakeLimits.h"
#include "LineReader.h"
#include "MemoryBudget.h"
#include "PosixSockets.h"
#include "RequestParser.h"
#include "SocketConnection.h"
#include "WorkerPool.h"

namespace vantrel::intake {

namespace {

constexpr const char* kServerName = "Vantrel";
constexpr int kAcceptBatch = 64;

using LiveList = std::list<std::shared_ptr<SocketConnection>>;

// What the accept thread, the connection jobs and the service share. The
// jobs hold it too, so that one still running after a timed out StopService
// never touches freed memory.
struct Shared {
    explicit Shared(std::size_t bufferedBytes) : budget(bufferedBytes) {}

    // Request bytes all connections hold; taken and given back without the
    // mutex.
    MemoryBudget budget;
    std::mutex mutex;
    std::condition_variable allEnded;
    // Every accepted connection until its job has closed it.
    LiveList live;
    // Live connections per peer address.
    std::unordered_map<std::string, std::size_t> perPeer;
    // Live connections closed to make room, whose jobs have yet to forget
    // them; they no longer count against the total.
    std::size_t evicted = 0;

    // Drops a connection from the books; under `mutex`.
    void Forget(LiveList::iterator entry, const std::string& peer) {
        auto counted = perPeer.find(peer);
        if (counted != perPeer.end() && --counted->second == 0)
            perPeer.erase(counted);
        if ((*entry)->Evicted())
            --evicted;
        live.erase(entry);
        if (live.empty())
            allEnded.notify_all();
    }

    // Closes the connection that has received nothing for longest, if that
    // has been `grace` at least and it is not serving a request; under
    // `mutex`. Whether one was closed.
    bool EvictQuietest(std::chrono::milliseconds grace);
};

bool Shared::EvictQuietest(std::chrono::milliseconds grace) {
    const auto quietSince = SocketConnection::Clock::now() - grace;
    std::vector<std::pair<SocketConnection::Clock::time_point, SocketConnection*>> quiet;
    for (const auto& connection : live) {
        const auto received = connection->LastReceived();
        if (!connection->Evicted() && received <= quietSince)
            quiet.emplace_back(received, connection.get());
    }
    std::sort(quiet.begin(), quiet.end());
    // One that began to be served or received a byte since is passed over.
    for (const auto& [received, connection] : quiet) {
        if (connection->EvictIfQuietSince(quietSince)) {
            ++evicted;
            return true;
        }
    }
    return false;
}

// Reads one request, runs the callback and sends what the service itself
// owes. Every failure ends this connection only.
void Serve(SocketConnection& connection, const CommandGetHandler& handler, MemoryBudget& budget) {
    // Declared first, so that it is given back after the request is freed.
    BudgetShare share(&budget, kSmallRequestBytes);
    if (!share.Take(kConnectionBufferCost))
        return;
    LineReader reader(connection, &share);
    HttpRequest request;
    request.clientAddress = connection.PeerAddress();
    // A body read up to the end of the stream must not pass for whole when
    // the peer merely went quiet.
    if (RequestParser::ReadRequest(reader, request) != ParseStatus::Ok || connection.TimedOut()) {
        return;
    }
    connection.MarkServing();
    HttpReply reply;
    reply.serverName = kServerName;
    auto fail = [&reply](std::string text) {
        reply.statusCode = 500;
        reply.statusText = "Internal Server Error";
        reply.contentText = std::move(text);
    };
    try {
        if (handler)
            handler(connection, request, reply);
    } catch (const std::exception& e) {
        fail(e.what());
    } catch (...) {
        fail("Unknown error");
    }
    // The callback normally closes the connection itself; then the peer has
    // exactly the bytes it wrote.
    if (connection.Closed())
        return;
    if (!reply.headerSent) {
        std::optional<std::size_t> length;
        if (!reply.contentText.empty())
            length = reply.contentText.size();
        connection.WriteRaw(ReplyHeaderBlock(reply.statusCode, reply.statusText, reply.contentType,
                                             length, reply.serverName));
        reply.headerSent = true;
    }
    if (!reply.contentText.empty())
        connection.WriteRaw(reply.contentText);
}

struct ConnectionTimes {
    int idleMs;
    int firstByteMs;
    int wholeMs;
};

// The job of one connection on a pool thread. A request that stays
// incomplete with no byte arriving for the idle time (before its first
// byte: for the first-byte time), or that is still incomplete the whole
// time after its first byte, ends without a reply; a reply the peer takes
// nothing of for the idle time fails.
void RunConnection(Shared& shared, SocketConnection& connection, LiveList::iterator self,
                   const CommandGetHandler& handler, ConnectionTimes times) {
    try {
        connection.SetIdleTimeout(times.idleMs);
        connection.SetFirstByteTimeout(times.firstByteMs);
        connection.SetRequestDeadline(times.wholeMs);
        Serve(connection, handler, shared.budget);
    } catch (...) {
        // A failed send or an exhausted allocation ends this connection only.
    }
    connection.CloseConnection();
    std::lock_guard lock(shared.mutex);
    shared.Forget(self, connection.PeerAddress());
}

}  // namespace

struct HttpService::Impl {
    std::uint16_t port = 0;
    ServiceBounds bounds;
    std::uint16_t boundPort = 0;
    CommandGetHandler handler;
    // Made anew by every StartService, with the callback as installed then.
    std::shared_ptr<Shared> shared;
    std::shared_ptr<const CommandGetHandler> running;
    std::unique_ptr<WorkerPool> pool;
    std::atomic<bool> active{false};
    int listenFd = -1;
    int wake[2] = {-1, -1};
    std::thread acceptThread;

    void AcceptLoop();
    // Waits a moment after a failure; true when a stop came meanwhile.
    bool StopRequestedDuringPause() const {
        return net::WaitForAccept(-1, wake[0], kAcceptRetryPauseMs) == net::WaitResult::Woken;
    }
    bool StartConnection(int fd, std::string peer);
    void CloseListener();
};

void HttpService::Impl::AcceptLoop() {
    for (;;) {
        net::WaitResult ready = net::WaitForAccept(listenFd, wake[0], -1);
        if (ready == net::WaitResult::Woken)
            return;
        if (ready != net::WaitResult::Readable) {
            if (StopRequestedDuringPause())
                return;
            continue;
        }
        // What waits is taken in one go: the listen queue holds only 15, and
        // a connection attempt it drops is retried after a second. Bounded,
        // so that a flood cannot keep this thread from seeing the stop.
        for (int taken = 0; taken < kAcceptBatch; ++taken) {
            int fd = -1;
            std::string peer;
            net::AcceptResult accepted = net::AcceptClient(listenFd, fd, peer);
            if (accepted == net::AcceptResult::Empty)
                break;
            if (accepted == net::AcceptResult::Retry)
                continue;
            // Out of descriptors the pending connection stays queued; pausing
            // keeps this thread from spinning until one is free again.
            if (accepted == net::AcceptResult::Failed || !StartConnection(fd, std::move(peer))) {
                if (StopRequestedDuringPause())
                    return;
                break;
            }
        }
    }
}

// False when the connection could not be given a thread (it is closed); the
// caller pauses then.
bool HttpService::Impl::StartConnection(int fd, std::string peer) {
    std::shared_ptr<SocketConnection> connection;
    LiveList::iterator entry;
    {
        std::lock_guard lock(shared->mutex);
        try {
            // One peer cannot take every thread and descriptor: beyond its
            // share a connection is closed at once, and the service goes on.
            auto counted = shared->perPeer.find(peer);
            if (counted != shared->perPeer.end() && counted->second >= kMaxConnectionsPerPeer) {
                net::CloseDescriptor(fd);
                return true;
            }
            // Nor can a crowd of peers: at the total a connection quiet for
            // long enough makes room, and when every one is busy the new one
            // is closed at once while those open go on.
            if (shared->live.size() - shared->evicted >= bounds.maxConnections &&
                !shared->EvictQuietest(bounds.idleGrace)) {
                net::CloseDescriptor(fd);
                return true;
            }
            connection = std::make_shared<SocketConnection>(fd, peer);
            fd = -1;
            entry = shared->live.insert(shared->live.end(), connection);
            try {
                ++shared->perPeer[peer];
            } catch (...) {
                shared->live.erase(entry);
                throw;
            }
        } catch (...) {
            net::CloseDescriptor(fd);
            return false;
        }
    }
    const bool started =
        pool->Run([shared = shared, connection, entry, handler = running,
                   times = ConnectionTimes{static_cast<int>(bounds.requestIdle.count()),
                                           static_cast<int>(bounds.firstByte.count()),
                                           static_cast<int>(bounds.requestWhole.count())}] {
            RunConnection(*shared, *connection, entry, *handler, times);
        });
    if (!started) {
        std::lock_guard lock(shared->mutex);
        shared->Forget(entry, peer);
    }
    return started;
}

void HttpService::Impl::CloseListener() {
    net::CloseDescriptor(listenFd);
    net::CloseDescriptor(wake[0]);
    net::CloseDescriptor(wake[1]);
    listenFd = wake[0] = wake[1] = -1;
}

HttpService::HttpService(std::uint16_t port, ServiceBounds bounds)
    : impl_(std::make_unique<Impl>()) {
    impl_->port = port;
    impl_->bounds = bounds;
}

HttpService::~HttpService() {
    try {
        StopService();
    } catch (...) {
        // Connections still running keep the shared state alive; the pool
        // has let their threads go.
    }
}

void HttpService::SetOnCommandGet(CommandGetHandler handler) {
    impl_->handler = std::move(handler);
}

void HttpService::StartService() {
    if (impl_->active)
        return;
    impl_->shared = std::make_shared<Shared>(impl_->bounds.bufferedBytes);
    impl_->running = std::make_shared<const CommandGetHandler>(impl_->handler);
    impl_->pool = std::make_unique<WorkerPool>(impl_->bounds.threadIdle, kMaxIdleThreads);
    if (!net::OpenWakePipe(impl_->wake)) {
        throw IntakeError("Could not create the service's wake-up pipe.");
    }
    impl_->listenFd = net::OpenListener(impl_->port, kListenQueue);
    if (impl_->listenFd < 0) {
        const bool inUse = errno == EADDRINUSE;
        impl_->CloseListener();
        constexpr char kBindFailed[] =
            "Could not bind socket. Address and port are already in use.";
        if (inUse) {
            throw PortInUseError(kBindFailed);
        }
        throw IntakeError(kBindFailed);
    }
    impl_->boundPort = net::LocalPort(impl_->listenFd);
    try {
        impl_->acceptThread = std::thread([impl = impl_.get()] { impl->AcceptLoop(); });
    } catch (const std::system_error&) {
        impl_->CloseListener();
        throw IntakeError("Could not start the accept thread.");
    }
    impl_->active = true;
}

void HttpService::StopService() {
    if (impl_->acceptThread.joinable()) {
        net::SignalWake(impl_->wake[1]);
        impl_->acceptThread.join();
        impl_->CloseListener();
    }
    impl_->active = false;
    if (!impl_->pool)
        return;

    Shared& shared = *impl_->shared;
    std::unique_lock lock(shared.mutex);
    for (const auto& connection : shared.live) {
        connection->Abort();
    }
    bool ended = shared.live.empty();
    for (int i = 0; !ended && i < kTerminateWaitMs / kTerminateStepMs; ++i) {
        ended = shared.allEnded.wait_for(lock, std::chrono::milliseconds(kTerminateStepMs),
                                         [&shared] { return shared.live.empty(); });
    }
    lock.unlock();
    // Once every connection has ended the threads are idle and end at once;
    // otherwise those still serving are let go.
    impl_->pool->Stop(ended);
    impl_->pool.reset();
    if (!ended)
        throw IntakeError("Terminate Thread Timeout");
}

bool HttpService::Active() const {
    return impl_->active;
}

std::uint16_t HttpService::Port() const {
    return impl_->boundPort != 0 ? impl_->boundPort : impl_->port;
}

}  // namespace vantrel::intake
