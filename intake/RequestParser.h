#pragma once

#include <string_view>

#include "HttpRequest.h"
#include "LineReader.h"

namespace vantrel::intake {

// Outcome of reading one request. Anything but Ok ends the connection
// without a reply.
enum class ParseStatus {
    Ok,
    Closed,                    // the stream ended before the request was complete
    LineTooLong,               // "Max line length exceeded."
    BadRequestLine,            // "Error in parsing command."
    MethodRejected,            // not GET, POST or HEAD; nothing after the line is read
    HeaderTooLarge,            // header lines together above kMaxHeaderBytes
    BodyTooLarge,              // body above kMaxBodyBytes
    TooManyParams,             // parameter text of more than kMaxParamEntries entries
    UnsupportedAuthorization,  // "Unsupported authorization scheme."
    OverBudget,                // all connections together would hold more than they may
};

// A short text for a status, for diagnostics and tests.
std::string_view ParseStatusText(ParseStatus status);

// Reads one request from `reader` into `request` (all fields but
// ClientAddress, which belongs to the connection).
class RequestParser {
  public:
    static ParseStatus ReadRequest(LineReader& reader, HttpRequest& request);

  private:
    static ParseStatus ReadHeaders(LineReader& reader, HttpRequest& request);
    static ParseStatus ReadBody(LineReader& reader, HttpRequest& request);
    static ParseStatus FillParams(HttpRequest& request);
};

}  // namespace vantrel::intake
