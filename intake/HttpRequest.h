#pragma once
// One parsed HTTP request and the reply state the service keeps for it.
// Every text is a byte string; nothing is converted between character sets.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "HeaderLines.h"

namespace vantrel::intake {

struct HttpRequest {
    std::string RequestLine;
    std::string Method;  // first word, upper case
    std::string Target;
    std::string Version;
    std::string ClientAddress;  // peer IPv4, dotted decimal
    HeaderLines Headers;        // as received: name, colon, value
    std::string Host;
    std::string ContentType;
    long long ContentLength = -1;  // -1: missing or not a number
    bool HasContentLength = false;
    std::string Body;
    std::string QueryText;
    std::string ParamText;
    std::string Path;
    std::vector<std::string> Params;  // decoded entries "name=value", in order
};

// Value of the first entry whose name equals `name` ignoring ASCII letter
// case (double-byte characters compared whole); "" when there is none.
std::string ParamValue(const HttpRequest& request, std::string_view name);
// The same, telling a value that is not there (nullopt) from an empty one.
std::optional<std::string> FindParam(const HttpRequest& request, std::string_view name);

struct HttpReply {
    int StatusCode = 200;
    std::string StatusText = "OK";
    std::string ContentType = "text/html";
    std::string ContentText;
    bool HeaderSent = false;
    std::string ServerName;
};

// Header block of a reply that closes its connection, each line ended by
// CR LF: status line, "Connection: close", Content-Type, Content-Length
// (only when given), Server (only when `serverName` is not empty), and the
// empty line. The service sends it before its own replies; the report
// handler before the page and the thank-you.
std::string ReplyHeaderBlock(int statusCode, std::string_view statusText,
                             std::string_view contentType, std::optional<std::size_t> contentLength,
                             std::string_view serverName = {});

}  // namespace vantrel::intake
