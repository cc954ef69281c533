#pragma once
// The report as the page's form sends it: name=value pairs in the page's
// order, percent-encoded as code page 936 bytes, in an HTTP/1.1 POST to
// "/post"; and the reading of the server's answer.

#include <string>
#include <string_view>
#include <utility>
#include <vector>
#include "GbkLiteral.h"

namespace vantrel::collector {

using FormFields = std::vector<std::pair<std::string, std::string>>;

// application/x-www-form-urlencoded as browsers write it: letters, digits
// and "*-._" stay, a blank becomes "+", every other byte is %XX. Both bytes
// of a double-byte character are encoded, even a trail byte that looks like
// an ASCII letter.
std::string EncodeFormValue(std::string_view gbk);
std::string EncodeForm(const FormFields& fields);

// The complete request: POST /post with Host, the form's content type and
// length, Connection: close, then the encoded body.
std::string BuildPostRequest(std::string_view hostHeader, const FormFields& fields);

// What the server answered.
struct ServerAnswer {
    bool thanked = false;  // the body is the thank-you text
    int status = 0;        // the status code, 0 when the reply had no status line
    std::string body;      // GBK bytes as received
};

// Reads a whole reply: with a status line and headers (the body starts
// after the empty line), or the bare body the intake may send.
ServerAnswer ParseServerAnswer(std::string_view reply);

}  // namespace vantrel::collector
