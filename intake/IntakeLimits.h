#pragma once
// Fixed settings and bounds of the HTTP service. Nothing changes them at run
// time.

#include <cstddef>
#include <cstdint>

namespace vantrel::intake {

// The port the intake listens on; the window's event log names it too.
inline constexpr std::uint16_t kDefaultPort = 8899;
inline constexpr int kListenQueue = 15;

// Bytes a request line or header line may hold before its line feed; a
// carriage return before the line feed counts.
inline constexpr std::size_t kMaxLineLength = 16384;
// All header lines of one request together, line ends included. Without it
// a peer could send header lines until memory runs out.
inline constexpr std::size_t kMaxHeaderBytes = 1024 * 1024;
// What keeping one header line costs beyond its bytes; charged against
// kMaxHeaderBytes so that a flood of empty-ish lines is bounded in memory too.
inline constexpr std::size_t kStoredLineCost = sizeof(void*) * 4;
// Parameter entries one request may give. A 1 MiB form body of "&" would
// otherwise make a million entries; a request line can never reach this.
inline constexpr std::size_t kMaxParamEntries = 65536;
// Largest body read: a larger Content-Length, or a body without length that
// grows past it, ends the connection.
inline constexpr std::size_t kMaxBodyBytes = 1024 * 1024;

inline constexpr std::size_t kReceiveBufferSize = 32768;

// StopService checks every step whether all connections have ended, for at
// most kTerminateWaitMs.
inline constexpr int kTerminateWaitMs = 5000;
inline constexpr int kTerminateStepMs = 250;

// Pause of the accept thread after a failure it cannot fix at once (no free
// descriptor, no thread), so that it neither spins nor gives up.
inline constexpr int kAcceptRetryPauseMs = 100;

// A connection whose request is still incomplete and that sends no byte for
// this long is closed without a reply. No browser takes a minute between
// bytes of one request; a peer that does only holds a thread. A peer that
// reads nothing of its reply for as long is dropped the same way.
inline constexpr int kRequestIdleMs = 60000;
// Connections one peer address may hold open at once; one more is closed at
// once. Enough for a PC's browser, too few for one host to take every
// thread and descriptor.
inline constexpr std::size_t kMaxConnectionsPerPeer = 64;
// A connection thread that finds no new connection for this long ends;
// until then it serves the next one, so that no thread is made per request.
inline constexpr int kThreadIdleMs = 10000;
// Idle connection threads kept at most; a thread finishing a connection
// while this many wait ends at once.
inline constexpr std::size_t kMaxIdleThreads = 64;

// Bytes of a user name the event-log line of a report shows; the stored row
// and the online-list mark keep the whole name.
inline constexpr std::size_t kMaxLogUserBytes = 64;

}  // namespace vantrel::intake
