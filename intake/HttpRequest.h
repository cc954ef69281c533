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
    std::string requestLine;
    std::string method;  // first word, upper case
    std::string target;
    std::string version;
    std::string clientAddress;  // peer IPv4, dotted decimal
    HeaderLines headers;        // as received: name, colon, value
    std::string host;
    std::string contentType;
    long long contentLength = -1;  // -1: missing or not a number
    bool hasContentLength = false;
    std::string body;
    std::string queryText;
    std::string paramText;
    std::string path;
    std::vector<std::string> params;  // decoded entries "name=value", in order
    // Where the value of the first programs-list entry (protocol/
    // SoftwareField.h) lies as sent, still form-encoded, when the parser
    // found one: in queryText or paramText. Its entry in params then holds
    // the name and "=" only. Kept in place: a list is tens of kilobytes.
    struct TextSpan {
        bool inQuery = false;
        std::size_t at = 0;
        std::size_t size = 0;
    };
    std::optional<TextSpan> softwareForm;

    // The text softwareForm points at; nullopt without one.
    std::optional<std::string_view> SoftwareFormText() const;
};

// Value of the first entry whose name equals `name` ignoring ASCII letter
// case (double-byte characters compared whole); "" when there is none.
std::string ParamValue(const HttpRequest& request, std::string_view name);
// The same, telling a value that is not there (nullopt) from an empty one.
std::optional<std::string> FindParam(const HttpRequest& request, std::string_view name);

struct HttpReply {
    int statusCode = 200;
    std::string statusText = "OK";
    std::string contentType = "text/html";
    std::string contentText;
    bool headerSent = false;
    std::string serverName;
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
