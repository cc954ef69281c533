#pragma once
// The values a collector sends beside the sixteen (IdentityFields.h), read
// from a report into the form the store keeps: placeholders empty, the
// UUID in lower case with dashes, each monitor's EDID as bytes, each MAC as
// MacTextOf writes it. A part whose fields the report does not send at all
// (the browser page sends none) stays unsent, so that what is kept of it
// stays as it is.

#include <cstddef>

#include "HardwareReport.h"
#include "HttpRequest.h"

namespace vantrel::intake {

// Bounds on what one report may list; more is left out.
inline constexpr std::size_t kMaxMonitors = 16;
inline constexpr std::size_t kMaxEdidBytes = 256 * 128;  // 256 blocks
inline constexpr std::size_t kMaxListedMacs = 64;
// A firmware value longer than this is cut: SMBIOS strings are short.
inline constexpr std::size_t kMaxIdentityValueBytes = 256;

store::ReportIdentity IdentityOf(const HttpRequest& request);

}  // namespace vantrel::intake
