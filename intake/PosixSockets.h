#pragma once
// The socket calls of the HTTP service, on POSIX. Another platform means
// another file with these functions. Descriptors are plain ints; -1 is none.

#include <cstddef>
#include <cstdint>
#include <string>

namespace vantrel::intake::net {

// A listening TCP socket on 0.0.0.0:port; -1 (with errno set) when it
// cannot be bound or cannot listen. Address reuse is on: on Linux that still refuses a second
// listener on the port but lets a restarted program bind while connections
// of the previous run wait out TIME_WAIT.
int OpenListener(std::uint16_t port, int backlog);
std::uint16_t LocalPort(int fd);

// A self-pipe that wakes WaitForAccept; false on failure.
bool OpenWakePipe(int fds[2]);
void SignalWake(int writeFd);

enum class WaitResult { Readable, Woken, TimedOut, Failed };
// Waits until `listenFd` has a connection to accept or `wakeFd` is
// signalled; timeoutMs < 0 waits without end. A negative `listenFd` waits
// on the wake pipe only. TimedOut also stands for a failed wait.
WaitResult WaitForAccept(int listenFd, int wakeFd, int timeoutMs);

enum class AcceptResult { Accepted, Empty, Retry, Failed };
// Accepts one connection without waiting; on success fills `fd` and the
// peer's dotted IPv4 address. Empty: no connection is waiting. Retry: a
// passing condition (the peer gave up, a signal). Failed: anything else,
// such as no free descriptor or memory; the caller should pause before
// trying again.
AcceptResult AcceptClient(int listenFd, int& fd, std::string& peer);

// A receive, or a send that makes no progress, waiting longer than this
// fails as a time-out.
void SetTimeouts(int fd, int milliseconds);
// Reads up to `size` bytes, waiting for some at most `waitMs` (< 0: no
// bound of its own); 0 at end of stream, on error or when the wait or the
// receive time-out passes, which sets `timedOut`.
std::size_t ReceiveSome(int fd, char* buffer, std::size_t size, int waitMs, bool& timedOut);
// Hands all bytes to the socket; false when the connection fails. Never
// raises SIGPIPE.
bool SendAll(int fd, const char* data, std::size_t size);
void ShutdownSend(int fd);
// Ends both directions; wakes a thread blocked reading or sending on `fd`.
void ShutdownBoth(int fd);
// Discards bytes that have arrived but were not read, without waiting, so
// that closing sends an orderly end of stream rather than a reset.
void DiscardPending(int fd);
// Whether bytes have arrived that nobody has read yet.
bool HasUnreadBytes(int fd);
void CloseDescriptor(int fd);

}  // namespace vantrel::intake::net
