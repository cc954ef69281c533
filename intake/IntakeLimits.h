#pragma once
// Fixed settings and bounds of the HTTP service. Nothing changes them at run
// time.

#include <cstddef>
#include <cstdint>

namespace vantrel::intake {

inline constexpr std::uint16_t kDefaultPort = 8899;
inline constexpr int kListenQueue = 15;

// Bytes a request line or header line may hold before its line feed; a
// carriage return before the line feed counts.
inline constexpr std::size_t kMaxLineLength = 16384;
// All header lines of one request together, line ends included. Without it
// a peer could send header lines until memory runs out.
inline constexpr std::size_t kMaxHeaderBytes = 1024 * 1024;
// Largest body read: a larger Content-Length, or a body without length that
// grows past it, ends the connection.
inline constexpr std::size_t kMaxBodyBytes = 1024 * 1024;

inline constexpr std::size_t kReceiveBufferSize = 32768;
inline constexpr std::size_t kSendChunkSize = 32768;

// StopService checks every step whether all connection threads have ended,
// for at most kTerminateWaitMs.
inline constexpr int kTerminateWaitMs = 5000;
inline constexpr int kTerminateStepMs = 250;

// Pause of the accept thread after a failure it cannot fix at once (no free
// descriptor, no thread), so that it neither spins nor gives up.
inline constexpr int kAcceptRetryPauseMs = 100;

}  // namespace vantrel::intake
