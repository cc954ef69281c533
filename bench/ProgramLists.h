#pragma once
// Installed-programs lists as a collector sends them, for benchmarks: every
// PC has 300 programs, half of them the same 150 and the rest drawn from a
// pool of 2,000; three versions of each.

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace vantrel::bench {

constexpr int kPrograms = 300;
constexpr int kNamePool = 2000;

inline std::string ProgramName(int p) {
    return "Example Program " + std::to_string(p) + (p % 3 == 0 ? " (x64)" : "");
}

// One line of the list: name, version, publisher, date, bitness, scope,
// application mark.
inline std::string ProgramLine(int p, int version) {
    return ProgramName(p) + "\t" + std::to_string(p % 17) + "." + std::to_string(version) +
           ".1024\tExample Software Corporation " + std::to_string(p % 40) +
           "\t2024-03-01\t64\tmachine\t1\r\n";
}

inline std::vector<int> ProgramsOfPc(int pc) {
    std::vector<int> programs;
    for (int p = 0; p < kPrograms / 2; ++p) {
        programs.push_back(p);
    }
    std::mt19937 random(static_cast<unsigned>(pc));
    std::uniform_int_distribution<int> pick(kPrograms / 2, kNamePool - 1);
    while (programs.size() < static_cast<std::size_t>(kPrograms)) {
        const int p = pick(random);
        if (std::find(programs.begin(), programs.end(), p) == programs.end()) {
            programs.push_back(p);
        }
    }
    return programs;
}

// PC `pc`'s list; another `round` moves every version on.
inline std::string ListOfPc(int pc, int round = 0) {
    std::string list;
    for (int p : ProgramsOfPc(pc)) {
        list += ProgramLine(p, (pc + p + round) % 3);
    }
    return list;
}

// Form encoding as a browser's: only the bytes that need it escaped.
inline std::string ListEncoded(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\t') {
            out += "%09";
        } else if (c == '\r') {
            out += "%0D";
        } else if (c == '\n') {
            out += "%0A";
        } else if (c == ' ') {
            out += '+';
        } else if (c == '(' || c == ')' || c == '.' || c == '-' ||
                   std::isalnum(static_cast<unsigned char>(c))) {
            out += c;
        } else {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", static_cast<unsigned char>(c));
            out += hex;
        }
    }
    return out;
}

}  // namespace vantrel::bench
