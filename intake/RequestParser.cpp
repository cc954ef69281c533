#include "RequestParser.h"

#include <limits>

#include "HttpText.h"
#include "IntakeLimits.h"
#include "SoftwareField.h"

namespace vantrel::intake {

namespace {

// Content-Length as an integer: optional sign, decimal digits, nothing else;
// -1 when it is not such a number. Values too large for the type saturate,
// so that they are refused as too large and never read as "no length".
long long ParseContentLength(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty())
        return -1;
    constexpr long long kMax = std::numeric_limits<long long>::max();
    long long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return -1;
        int digit = c - '0';
        value = (value > (kMax - digit) / 10) ? kMax : value * 10 + digit;
    }
    return negative ? -value : value;
}

ParseStatus FromReader(LineReader::Status status) {
    switch (status) {
        case LineReader::Status::Ok:
            return ParseStatus::Ok;
        case LineReader::Status::TooLong:
            return ParseStatus::LineTooLong;
        case LineReader::Status::OverBudget:
            return ParseStatus::OverBudget;
        case LineReader::Status::Closed:
            break;
    }
    return ParseStatus::Closed;
}

}  // namespace

std::string_view ParseStatusText(ParseStatus status) {
    switch (status) {
        case ParseStatus::Ok:
            return "OK";
        case ParseStatus::Closed:
            return "Connection closed gracefully.";
        case ParseStatus::LineTooLong:
            return "Max line length exceeded.";
        case ParseStatus::BadRequestLine:
            return "Error in parsing command.";
        case ParseStatus::MethodRejected:
            return "Method not served.";
        case ParseStatus::HeaderTooLarge:
            return "Header too large.";
        case ParseStatus::BodyTooLarge:
            return "Body too large.";
        case ParseStatus::TooManyParams:
            return "Too many parameters.";
        case ParseStatus::UnsupportedAuthorization:
            return "Unsupported authorization scheme.";
        case ParseStatus::OverBudget:
            return "Server memory bound reached.";
    }
    return "";
}

ParseStatus RequestParser::ReadRequest(LineReader& reader, HttpRequest& request) {
    if (auto status = FromReader(reader.ReadLine(request.requestLine)); status != ParseStatus::Ok) {
        return status;
    }
    std::string_view line = request.requestLine;
    std::size_t lastBlank = line.rfind(' ');
    if (lastBlank == std::string_view::npos) {
        return ParseStatus::BadRequestLine;
    }
    request.version = std::string(line.substr(lastBlank + 1));
    std::string_view head = line.substr(0, lastBlank);
    std::size_t firstBlank = head.find(' ');
    request.method = text::AsciiUpper(head.substr(0, firstBlank));
    request.target =
        firstBlank == std::string_view::npos ? "" : std::string(head.substr(firstBlank + 1));
    if (request.method != "GET" && request.method != "POST" && request.method != "HEAD") {
        return ParseStatus::MethodRejected;
    }

    if (auto status = ReadHeaders(reader, request); status != ParseStatus::Ok) {
        return status;
    }
    request.contentType = HeaderValue(request.headers, "Content-Type").value_or("");
    request.contentLength =
        ParseContentLength(HeaderValue(request.headers, "Content-Length").value_or(""));
    request.hasContentLength = request.contentLength >= 0;
    std::optional<std::string> host = HeaderValue(request.headers, "Host");
    request.host = host.value_or("");

    if (auto status = ReadBody(reader, request); status != ParseStatus::Ok) {
        return status;
    }

    std::string_view target = request.target;
    std::size_t question = target.find('?');
    if (question != std::string_view::npos) {
        request.queryText = std::string(target.substr(question + 1));
    }
    // The parameter text and its decoded entries are copies of the body and
    // query, at most as long as both.
    if (!reader.Reserve(2 * (request.body.size() + request.queryText.size() + 2))) {
        return ParseStatus::OverBudget;
    }
    request.paramText = request.body;
    if (!request.queryText.empty()) {
        request.paramText = request.paramText.empty() ? request.queryText
                                                      : request.body + "\r\n" + request.queryText;
    }
    if (auto status = FillParams(request); status != ParseStatus::Ok) {
        return status;
    }

    DecodedPath path = DecodePath(target.substr(0, question));
    request.path = std::move(path.path);
    if (!host)
        request.host = std::move(path.host);

    if (auto auth = HeaderValue(request.headers, "Authorization")) {
        // Basic credentials are accepted but the program has no use for them,
        // so they are not decoded.
        std::string_view scheme = std::string_view(*auth).substr(0, auth->find(' '));
        if (!text::EqualsIgnoringCase(scheme, "Basic")) {
            return ParseStatus::UnsupportedAuthorization;
        }
    }
    return ParseStatus::Ok;
}

ParseStatus RequestParser::ReadHeaders(LineReader& reader, HttpRequest& request) {
    std::size_t total = 0;
    std::string line;
    for (;;) {
        if (auto status = FromReader(reader.ReadLine(line)); status != ParseStatus::Ok) {
            return status;
        }
        if (line.empty())
            return ParseStatus::Ok;
        // Counted with a line end and what storing it costs, so that a flood
        // of short lines is bounded as well as a few long ones.
        total += line.size() + 2 + kStoredLineCost;
        if (total > kMaxHeaderBytes)
            return ParseStatus::HeaderTooLarge;
        std::string_view kept = line;
        if (kept.size() >= 2 && kept[0] == '.' && kept[1] == '.')
            kept.remove_prefix(1);
        // What the buffers grow by is taken before they grow.
        if (!reader.Reserve(request.headers.GrowthFor(kept.size())))
            return ParseStatus::OverBudget;
        request.headers.push_back(kept);
    }
}

ParseStatus RequestParser::ReadBody(LineReader& reader, HttpRequest& request) {
    if (request.contentLength > 0) {
        if (static_cast<unsigned long long>(request.contentLength) > kMaxBodyBytes) {
            return ParseStatus::BodyTooLarge;
        }
        if (!reader.Reserve(static_cast<std::size_t>(request.contentLength)))
            return ParseStatus::OverBudget;
        return FromReader(
            reader.ReadExact(static_cast<std::size_t>(request.contentLength), request.body));
    }
    if (request.method == "POST" && !request.hasContentLength) {
        switch (reader.ReadToEnd(kMaxBodyBytes, request.body)) {
            case LineReader::Status::Ok:
                break;
            case LineReader::Status::OverBudget:
                return ParseStatus::OverBudget;
            case LineReader::Status::TooLong:
            case LineReader::Status::Closed:
                return ParseStatus::BodyTooLarge;
        }
    }
    return ParseStatus::Ok;
}

ParseStatus RequestParser::FillParams(HttpRequest& request) {
    bool formBody = text::AsciiLower(request.contentType) == "application/x-www-form-urlencoded";
    std::string_view text = formBody ? request.paramText : request.queryText;
    text = text.substr(0, text.find('\0'));
    // Every "&" makes one more entry; count them before any is made (with
    // memchr: a form holds few of them among many kilobytes).
    std::size_t ampersands = 0;
    for (std::size_t at = text.find('&'); at != std::string_view::npos;
         at = text.find('&', at + 1)) {
        if (++ampersands >= kMaxParamEntries) {
            return ParseStatus::TooManyParams;
        }
    }
    // The programs list is decoded by the intake, and only when its text
    // is new: most reports send the list they sent before.
    std::optional<std::string_view> software;
    request.params = DecodeParamsKeeping(text, protocol::kSoftwareField, software);
    if (software) {
        request.softwareForm = HttpRequest::TextSpan{
            !formBody,
            static_cast<std::size_t>(software->data() - (formBody ? request.paramText.data()
                                                                  : request.queryText.data())),
            software->size()};
    }
    return ParseStatus::Ok;
}

}  // namespace vantrel::intake
