#pragma once
// Values firmware leaves where a maker did not fill in a serial number, a
// model or a UUID. Such a value names no PC (thousands share it), so the
// collectors send it as empty and the program must not match PCs by it.
// The Linux collector keeps its own copy of this rule; a test checks that
// both agree on the same table of cases.

#include <string_view>

namespace vantrel::protocol {

// Whether `text`, trimmed of blanks, is one of the known placeholders
// ("To be filled by O.E.M.", "Default string", "System Serial Number", "Not
// Specified", "None", "0123456789", "N/A", ... compared ignoring ASCII case)
// or made only of "0" or only of "F" (ignoring case), apart from the
// separators "-", ":", "." and blanks. An empty text is a placeholder too.
bool IsPlaceholderText(std::string_view text);

// Whether the UUID `text` (32 hex digits, dashes anywhere) is a placeholder:
// one byte repeated, or bytes or 16-bit words counting up by one in either
// byte order of the first three groups (03000200-0400-0500-0006-000700080009
// is the words 2 to 9). Text that is no UUID counts as a placeholder.
bool IsPlaceholderUuid(std::string_view text);

}  // namespace vantrel::protocol
