#pragma once
// What every part of a .xlsx is read with: element names without their
// namespace prefix, attributes by name, cell references, and a whole part
// passed through expat with a bound on how deep its elements nest.

#include <expat.h>

#include <cstddef>
#include <exception>
#include <functional>
#include <string>
#include <string_view>

#include "ZipArchive.h"

namespace vantrel::import {

// "x:row" is "row".
std::string_view LocalName(const XML_Char* name);
// The value of the attribute named `wanted` (without prefix), or null.
const char* Attribute(const XML_Char** attributes, std::string_view wanted);
// "B12" to column 1 (from 0) and row 12; false when it is not a reference.
bool ParseReference(std::string_view ref, std::size_t& column, std::size_t& row);

// A whole part through expat, for the small parts read before the sheet.
class XmlPass {
  public:
    using Start = std::function<void(std::string_view, const XML_Char**)>;
    using End = std::function<void(std::string_view)>;
    using Text = std::function<void(std::string_view)>;

    XmlPass(const std::string& path, Start start, End end = {}, Text text = {})
        : path_(path), start_(std::move(start)), end_(std::move(end)), text_(std::move(text)) {}

    // Throws ImportError when the part is damaged, nests too deep, or a
    // callback throws (its exception).
    void Run(ZipArchive::Part& part);

  private:
    // A callback's exception must not unwind through expat: it is kept, the
    // parser stopped, and the exception thrown again once expat returns.
    template <typename F>
    void Guard(F&& f) {
        if (failure_) {
            return;
        }
        try {
            f();
        } catch (...) {
            failure_ = std::current_exception();
            XML_StopParser(parser_, XML_FALSE);
        }
    }

    std::string path_;
    XML_Parser parser_ = nullptr;
    std::exception_ptr failure_;
    int depth_ = 0;
    Start start_;
    End end_;
    Text text_;
};

}  // namespace vantrel::import
