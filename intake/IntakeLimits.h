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
// A connection that has sent no byte at all for this long is closed without
// a reply. A browser sends its request as soon as it connects; a connection
// that stays silent only holds a place.
inline constexpr int kFirstByteMs = 10000;
// A request must be complete this long after its first byte arrived,
// however steadily its bytes come; otherwise it is closed without a reply.
// The idle time alone lets a peer that sends a byte a minute hold a
// connection for ever.
inline constexpr int kRequestDeadlineMs = 60000;
// Connections one peer address may hold open at once; one more is closed at
// once. Enough for a PC's browser, too few for one host to take every
// thread and descriptor.
inline constexpr std::size_t kMaxConnectionsPerPeer = 64;
// Connections of all peers together. Each holds a thread, so this also
// bounds the threads, and it leaves most of the usual 1,024 descriptors to
// the rest of the program. An office's browsers and collectors never come
// near it. When it is reached, a new connection takes the place of the one
// that has received no byte for longest, if that one has been quiet for at
// least kIdleGraceMs; only when every open connection is that busy is the
// new one closed at once, without a reply. So idle connections held open
// by a few hosts cannot keep reports out, and a request whose bytes keep
// coming is never cut off for a newcomer.
inline constexpr std::size_t kMaxConnections = 256;
// How long a connection must have been quiet before a new one may take its
// place. A browser sends a report without pauses this long.
inline constexpr int kIdleGraceMs = 2000;
// Request bytes all connections may hold together: receive buffers, header
// lines, bodies and their parameter copies. A request that would pass it is
// closed without a reply, as one above the limits of a single request is.
// Without it 256 connections could hold about 2 MiB each.
inline constexpr std::size_t kMaxBufferedBytes = 64 * 1024 * 1024;
// What every connection takes of that bound before its first byte: its
// receive buffer and one line being read.
inline constexpr std::size_t kConnectionBufferCost = kReceiveBufferSize + kMaxLineLength;
// A request holding no more than this (a report is a few kilobytes) may use
// the last sixteenth of kMaxBufferedBytes, which larger ones leave free, so
// that a flood of large slow requests cannot keep reports out.
inline constexpr std::size_t kSmallRequestBytes = kConnectionBufferCost + 128 * 1024;
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
