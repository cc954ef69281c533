#pragma once
// One parsed HTTP request and the reply state the service keeps for it.
// Every text is a byte string; nothing is converted between character sets.

#include <string>
#include <string_view>
#include <vector>

namespace vantrel::intake {

struct HttpRequest {
    std::string RequestLine;
    std::string Method;  // first word, upper case
    std::string Target;
    std::string Version;
    std::string ClientAddress;         // peer IPv4, dotted decimal
    std::vector<std::string> Headers;  // as received: name, colon, value
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

struct HttpReply {
    int StatusCode = 200;
    std::string StatusText = "OK";
    std::string ContentType = "text/html";
    std::string ContentText;
    bool CloseAfterReply = true;
    bool HeaderSent = false;
    std::string ServerName;
};

// The header block the service sends when the callback has not closed the
// connection: status line, Connection, Content-Type, Content-Length (only
// with a ContentText), Server, empty line; each line ended by CR LF.
std::string ReplyHeaderBlock(const HttpReply& reply);

}  // namespace vantrel::intake
