#pragma once
// The cases of the placeholder rule, shared by the test of the program's
// rule (protocol/IdentityPlaceholders) and the test of the Linux
// collector's own copy, so that both are held to the same table.

#include <vector>

namespace vantrel::collector::test {

struct PlaceholderCase {
    const char* text;
    bool placeholder;
};

inline const std::vector<PlaceholderCase> kTextCases = {
    {"To be filled by O.E.M.", true},
    {"TO BE FILLED BY O.E.M.", true},
    {"Default string", true},
    {"System Serial Number", true},
    {"Not Specified", true},
    {"None", true},
    {"0123456789", true},
    {"N/A", true},
    {"Not Applicable", true},
    {"System Product Name", true},
    {"System manufacturer", true},
    {"O.E.M.", true},
    {"00000000", true},
    {"0000-0000 00", true},
    {"FFFFFFFF", true},
    {"ffff:ffff", true},
    {"7XK4Q23", false},
    {"None1", false},
    {"0123456789A", false},
    {"Default", false},
    {"000A", false},
    {"F0F0", false},
    {"/7XK4Q23/CNCMK0097D00DD/", false},
};

// UUIDs as the kernel shows them (first three groups in the order they
// are read).
inline const std::vector<PlaceholderCase> kUuidCases = {
    {"4c4c4544-0058-4b10-8034-b7c04f513233", false},
    {"6A1C2E5F-83B4-4D2A-9C71-0E5B3F8A7D14", false},
    {"00000000-0000-0000-0000-000000000000", true},
    {"FFFFFFFF-FFFF-FFFF-FFFF-FFFFFFFFFFFF", true},
    {"55555555-5555-5555-5555-555555555555", true},
    // The words 2 to 9, as the kernel shows them and as they are stored.
    {"03000200-0400-0500-0006-000700080009", true},
    {"00020003-0004-0005-0006-000700080009", true},
    // The bytes 0 to 15, either way.
    {"00010203-0405-0607-0809-0a0b0c0d0e0f", true},
    {"03020100-0504-0706-0809-0a0b0c0d0e0f", true},
    // No UUID at all.
    {"4c4c4544-0058-4b10-8034", true},
    {"4c4c4544-0058-4b10-8034-b7c04f51323g", true},
};

}  // namespace vantrel::collector::test
