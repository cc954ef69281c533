#include "FormEncoding.h"

#include <cstdlib>

#include "Gbk.h"
#include "ReportReply.h"

namespace vantrel::collector {

namespace {

bool StaysPlain(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '*' ||
           c == '-' || c == '.' || c == '_';
}

void AppendEscaped(std::string& out, char c) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    const auto byte = static_cast<unsigned char>(c);
    out += '%';
    out += kHex[byte >> 4];
    out += kHex[byte & 0x0F];
}

}  // namespace

std::string EncodeFormValue(std::string_view gbk) {
    std::string out;
    out.reserve(gbk.size() * 3);
    for (std::size_t i = 0; i < gbk.size();) {
        const std::size_t length = text::CharLength(gbk, i);
        if (length == 1 && StaysPlain(gbk[i])) {
            out += gbk[i];
        } else if (length == 1 && gbk[i] == ' ') {
            out += '+';
        } else {
            for (std::size_t k = 0; k < length; ++k) {
                AppendEscaped(out, gbk[i + k]);
            }
        }
        i += length;
    }
    return out;
}

std::string EncodeForm(const FormFields& fields) {
    std::string body;
    for (const auto& [name, value] : fields) {
        if (!body.empty()) {
            body += '&';
        }
        body += EncodeFormValue(name);
        body += '=';
        body += EncodeFormValue(value);
    }
    return body;
}

std::string BuildPostRequest(std::string_view hostHeader, const FormFields& fields) {
    const std::string body = EncodeForm(fields);
    std::string request = "POST /post HTTP/1.1\r\nHost: ";
    request += hostHeader;
    request +=
        "\r\nUser-Agent: vantrel-collect\r\nContent-Type: application/x-www-form-urlencoded"
        "\r\nContent-Length: ";
    request += std::to_string(body.size());
    request += "\r\nConnection: close\r\n\r\n";
    request += body;
    return request;
}

ServerAnswer ParseServerAnswer(std::string_view reply) {
    ServerAnswer answer;
    std::string_view body = reply;
    if (reply.substr(0, 5) == "HTTP/") {
        const std::size_t blank = reply.find(' ');
        if (blank != std::string_view::npos) {
            answer.status = std::atoi(std::string(reply.substr(blank + 1, 3)).c_str());
        }
        const std::size_t end = reply.find("\r\n\r\n");
        body = end == std::string_view::npos ? std::string_view() : reply.substr(end + 4);
    }
    answer.body = std::string(body);
    answer.thanked =
        (answer.status == 0 || answer.status == 200) && body == protocol::kThankYouReply;
    return answer;
}

}  // namespace vantrel::collector
