#pragma once
// Semicolon-separated values: the text writer's lines, every value quoted
// with its double quotes doubled.

#include <string>
#include <string_view>

#include "TextExporter.h"

namespace vantrel::exporter {

class CsvExporter : public TextExporter {
  public:
    using TextExporter::TextExporter;

    // "text" with each double quote doubled; a trail byte is never taken
    // for a quote.
    static std::string Quoted(std::string_view text);

  protected:
    void PutValue(std::string_view text) override { Put(Quoted(text)); }
    char FieldSeparator() const override { return fieldSeparator_; }

  private:
    const char fieldSeparator_ = ';';
};

}  // namespace vantrel::exporter
