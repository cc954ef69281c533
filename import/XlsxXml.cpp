#include "XlsxXml.h"

#include <memory>

#include "ImportError.h"
#include "ImportLimits.h"
#include "ImportMessages.h"

namespace vantrel::import {

std::string_view LocalName(const XML_Char* name) {
    // One pass over the short name, called for every element of a sheet.
    const char* local = name;
    const char* end = name;
    for (; *end != '\0'; ++end) {
        if (*end == ':' && local == name) {
            local = end + 1;
        }
    }
    return std::string_view(local, static_cast<std::size_t>(end - local));
}

const char* Attribute(const XML_Char** attributes, std::string_view wanted) {
    for (int i = 0; attributes[i] != nullptr; i += 2) {
        if (LocalName(attributes[i]) == wanted) {
            return attributes[i + 1];
        }
    }
    return nullptr;
}

bool ParseReference(std::string_view ref, std::size_t& column, std::size_t& row) {
    std::size_t i = 0;
    column = 0;
    while (i < ref.size() && ref[i] >= 'A' && ref[i] <= 'Z') {
        column = column * 26 + static_cast<std::size_t>(ref[i] - 'A' + 1);
        if (column > 1u << 20) {
            return false;
        }
        ++i;
    }
    if (i == 0 || i == ref.size()) {
        return false;
    }
    row = 0;
    for (; i < ref.size(); ++i) {
        if (ref[i] < '0' || ref[i] > '9' || row > 1u << 24) {
            return false;
        }
        row = row * 10 + static_cast<std::size_t>(ref[i] - '0');
    }
    --column;
    return true;
}

void XmlPass::Run(ZipArchive::Part& part) {
    const std::unique_ptr<XML_ParserStruct, decltype(&XML_ParserFree)> owner(
        XML_ParserCreate("UTF-8"), &XML_ParserFree);
    XML_Parser parser = owner.get();
    XML_SetUserData(parser, this);
    XML_SetElementHandler(
        parser,
        [](void* self, const XML_Char* name, const XML_Char** attributes) {
            auto* pass = static_cast<XmlPass*>(self);
            pass->Guard([&] {
                if (++pass->depth_ > kMaxXmlDepth) {
                    throw ImportError(messages::Damaged(pass->path_, "elements nested too deep"));
                }
                pass->start_(LocalName(name), attributes);
            });
        },
        [](void* self, const XML_Char* name) {
            auto* pass = static_cast<XmlPass*>(self);
            --pass->depth_;
            if (pass->end_) {
                pass->Guard([&] { pass->end_(LocalName(name)); });
            }
        });
    XML_SetCharacterDataHandler(parser, [](void* self, const XML_Char* s, int length) {
        auto* pass = static_cast<XmlPass*>(self);
        if (pass->text_) {
            pass->Guard(
                [&] { pass->text_(std::string_view(s, static_cast<std::size_t>(length))); });
        }
    });
    parser_ = parser;
    char buffer[1 << 16];
    for (;;) {
        const std::size_t got = part.Read(buffer, sizeof buffer);
        if (XML_Parse(parser, buffer, static_cast<int>(got), got == 0) == XML_STATUS_ERROR) {
            if (failure_) {
                std::rethrow_exception(failure_);
            }
            throw ImportError(messages::Damaged(path_, XML_ErrorString(XML_GetErrorCode(parser))));
        }
        if (got == 0) {
            break;
        }
    }
}

}  // namespace vantrel::import
