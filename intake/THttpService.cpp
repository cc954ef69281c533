#include "THttpService.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <list>
#include <mutex>
#include <thread>
#include <vector>

#include "IntakeError.h"
#include "IntakeLimits.h"
#include "PosixSockets.h"
#include "TLineReader.h"
#include "TRequestParser.h"
#include "TSocketConnection.h"

namespace vantrel::intake {

namespace {

constexpr const char* kServerName = "Vantrel";

struct LiveConnection {
    std::shared_ptr<TSocketConnection> connection;
    std::thread thread;
};

// What the accept thread, the connection threads and the service share. The
// connection threads hold it too, so that one still running after a timed
// out StopService never touches freed memory.
struct Shared {
    std::mutex mutex;
    std::condition_variable allEnded;
    std::list<LiveConnection> live;
    // Threads that have left the live list and wait to be joined.
    std::vector<std::thread> finished;

    bool HasFinished() {
        std::lock_guard lock(mutex);
        return !finished.empty();
    }

    void JoinFinished() {
        std::vector<std::thread> done;
        {
            std::lock_guard lock(mutex);
            done.swap(finished);
        }
        for (std::thread& t : done) {
            if (t.joinable())
                t.join();
        }
    }
};

// Reads one request, runs the callback and sends what the service itself
// owes. Every failure ends this connection only.
void Serve(TSocketConnection& connection, const CommandGetHandler& handler) {
    TLineReader reader(connection);
    HttpRequest request;
    request.ClientAddress = connection.PeerAddress();
    if (TRequestParser::ReadRequest(reader, request) != ParseStatus::Ok) {
        return;
    }
    HttpReply reply;
    reply.ServerName = kServerName;
    auto fail = [&reply](std::string text) {
        reply.StatusCode = 500;
        reply.StatusText = "Internal Server Error";
        reply.ContentText = std::move(text);
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
    if (!reply.HeaderSent) {
        std::optional<std::size_t> length;
        if (!reply.ContentText.empty())
            length = reply.ContentText.size();
        connection.WriteRaw(ReplyHeaderBlock(reply.StatusCode, reply.StatusText, reply.ContentType,
                                             length, reply.ServerName));
        reply.HeaderSent = true;
    }
    if (!reply.ContentText.empty())
        connection.WriteRaw(reply.ContentText);
}

void RunConnection(std::shared_ptr<Shared> shared, std::shared_ptr<TSocketConnection> connection,
                   CommandGetHandler handler, std::list<LiveConnection>::iterator self) {
    try {
        Serve(*connection, handler);
    } catch (...) {
        // A failed send or an exhausted allocation ends this connection only.
    }
    connection->CloseConnection();
    std::lock_guard lock(shared->mutex);
    try {
        shared->finished.push_back(std::move(self->thread));
    } catch (...) {
        // No memory to hand the handle on: let the thread end on its own.
        self->thread.detach();
    }
    shared->live.erase(self);
    if (shared->live.empty())
        shared->allEnded.notify_all();
}

}  // namespace

struct THttpService::Impl {
    std::uint16_t port = 0;
    std::uint16_t boundPort = 0;
    CommandGetHandler handler;
    std::shared_ptr<Shared> shared = std::make_shared<Shared>();
    std::atomic<bool> active{false};
    int listenFd = -1;
    int wake[2] = {-1, -1};
    std::thread acceptThread;

    void AcceptLoop();
    // Waits a moment after a failure; true when the service is stopping.
    bool Pause() const {
        return net::WaitForAccept(-1, wake[0], kAcceptRetryPauseMs) == net::WaitResult::Woken;
    }
    bool StartConnection(int fd, std::string peer);
    void CloseListener();
};

void THttpService::Impl::AcceptLoop() {
    for (;;) {
        // Ended connection threads are joined soon even when no new
        // connection comes, so that their stacks do not linger after a burst.
        const int timeoutMs = shared->HasFinished() ? kJoinIdleMs : -1;
        net::WaitResult ready = net::WaitForAccept(listenFd, wake[0], timeoutMs);
        if (ready == net::WaitResult::Woken)
            return;
        if (ready == net::WaitResult::TimedOut) {
            shared->JoinFinished();
            continue;
        }
        if (ready == net::WaitResult::Failed) {
            if (Pause())
                return;
            continue;
        }
        int fd = -1;
        std::string peer;
        net::AcceptResult accepted = net::AcceptClient(listenFd, fd, peer);
        if (accepted == net::AcceptResult::Retry)
            continue;
        // Out of descriptors the pending connection stays queued; pausing
        // keeps this thread from spinning until one is free again.
        if (accepted == net::AcceptResult::Failed || !StartConnection(fd, std::move(peer))) {
            if (Pause())
                return;
        }
        shared->JoinFinished();
    }
}

bool THttpService::Impl::StartConnection(int fd, std::string peer) {
    std::shared_ptr<TSocketConnection> connection;
    try {
        connection = std::make_shared<TSocketConnection>(fd, std::move(peer));
    } catch (...) {
        net::CloseDescriptor(fd);
        return false;
    }
    std::lock_guard lock(shared->mutex);
    auto entry = shared->live.end();
    try {
        entry = shared->live.insert(shared->live.end(), LiveConnection{connection, {}});
        // Created under the lock, so that the thread cannot finish and move
        // its own handle before the handle is stored.
        entry->thread = std::thread(RunConnection, shared, connection, handler, entry);
        return true;
    } catch (...) {
        // No thread: dropping the entry closes the socket.
        if (entry != shared->live.end())
            shared->live.erase(entry);
        return false;
    }
}

void THttpService::Impl::CloseListener() {
    net::CloseDescriptor(listenFd);
    net::CloseDescriptor(wake[0]);
    net::CloseDescriptor(wake[1]);
    listenFd = wake[0] = wake[1] = -1;
}

THttpService::THttpService(std::uint16_t port) : impl_(std::make_unique<Impl>()) {
    impl_->port = port;
}

THttpService::~THttpService() {
    try {
        StopService();
    } catch (...) {
        // Threads still running keep the shared state alive; they are let go.
    }
    {
        std::lock_guard lock(impl_->shared->mutex);
        for (LiveConnection& entry : impl_->shared->live) {
            if (entry.thread.joinable())
                entry.thread.detach();
        }
    }
    impl_->shared->JoinFinished();
}

void THttpService::SetOnCommandGet(CommandGetHandler handler) {
    impl_->handler = std::move(handler);
}

void THttpService::StartService() {
    if (impl_->active)
        return;
    if (!net::OpenWakePipe(impl_->wake)) {
        throw IntakeError("Could not create the service's wake-up pipe.");
    }
    impl_->listenFd = net::OpenListener(impl_->port, kListenQueue);
    if (impl_->listenFd < 0) {
        impl_->CloseListener();
        throw IntakeError("Could not bind socket. Address and port are already in use.");
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

void THttpService::StopService() {
    if (impl_->acceptThread.joinable()) {
        net::SignalWake(impl_->wake[1]);
        impl_->acceptThread.join();
        impl_->CloseListener();
    }
    impl_->active = false;

    Shared& shared = *impl_->shared;
    std::unique_lock lock(shared.mutex);
    for (LiveConnection& entry : shared.live) {
        entry.connection->Abort();
    }
    bool ended = shared.live.empty();
    for (int i = 0; !ended && i < kTerminateWaitMs / kTerminateStepMs; ++i) {
        ended = shared.allEnded.wait_for(lock, std::chrono::milliseconds(kTerminateStepMs),
                                         [&shared] { return shared.live.empty(); });
    }
    lock.unlock();
    shared.JoinFinished();
    if (!ended)
        throw IntakeError("Terminate Thread Timeout");
}

bool THttpService::Active() const {
    return impl_->active;
}

std::uint16_t THttpService::Port() const {
    return impl_->boundPort != 0 ? impl_->boundPort : impl_->port;
}

}  // namespace vantrel::intake
