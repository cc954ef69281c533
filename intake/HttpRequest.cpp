#include "HttpRequest.h"

namespace vantrel::intake {

std::string ParamValue(const HttpRequest& request, std::string_view name) {
    (void)request;
    (void)name;
    return {};
}

}  // namespace vantrel::intake
