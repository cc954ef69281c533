#include "HttpRequest.h"

#include "HttpText.h"

namespace vantrel::intake {

std::string ParamValue(const HttpRequest& request, std::string_view name) {
    return FindParam(request, name).value_or(std::string());
}

std::optional<std::string> FindParam(const HttpRequest& request, std::string_view name) {
    for (const std::string& entry : request.params) {
        std::size_t equals = text::FindSingleByte(entry, '=');
        if (equals != std::string::npos &&
            text::EqualsIgnoringCase(std::string_view(entry).substr(0, equals), name)) {
            return entry.substr(equals + 1);
        }
    }
    return std::nullopt;
}

std::optional<std::string_view> HttpRequest::SoftwareFormText() const {
    if (!softwareForm) {
        return std::nullopt;
    }
    const std::string& text = softwareForm->inQuery ? queryText : paramText;
    return std::string_view(text).substr(softwareForm->at, softwareForm->size);
}

std::string ReplyHeaderBlock(int statusCode, std::string_view statusText,
                             std::string_view contentType, std::optional<std::size_t> contentLength,
                             std::string_view serverName) {
    std::string block = "HTTP/1.1 " + std::to_string(statusCode) + " ";
    block += statusText;
    block += "\r\nConnection: close\r\nContent-Type: ";
    block += contentType;
    block += "\r\n";
    if (contentLength) {
        block += "Content-Length: " + std::to_string(*contentLength) + "\r\n";
    }
    if (!serverName.empty()) {
        block += "Server: ";
        block += serverName;
        block += "\r\n";
    }
    block += "\r\n";
    return block;
}

}  // namespace vantrel::intake
