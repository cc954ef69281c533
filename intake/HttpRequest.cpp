#include "HttpRequest.h"

#include "HttpText.h"

namespace vantrel::intake {

std::string ParamValue(const HttpRequest& request, std::string_view name) {
    for (const std::string& entry : request.Params) {
        std::size_t equals = text::FindSingleByte(entry, '=');
        if (equals != std::string::npos &&
            text::EqualsIgnoringCase(std::string_view(entry).substr(0, equals), name)) {
            return entry.substr(equals + 1);
        }
    }
    return {};
}

std::string ReplyHeaderBlock(const HttpReply& reply) {
    std::string block = "HTTP/1.1 " + std::to_string(reply.StatusCode) + " " + reply.StatusText +
                        "\r\nConnection: close\r\nContent-Type: " + reply.ContentType + "\r\n";
    if (!reply.ContentText.empty()) {
        block += "Content-Length: " + std::to_string(reply.ContentText.size()) + "\r\n";
    }
    block += "Server: " + reply.ServerName + "\r\n\r\n";
    return block;
}

}  // namespace vantrel::intake
