#include "SoftwareChanges.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <set>
#include <string_view>
#include <utility>

#include "GbkLiteral.h"

namespace vantrel::store {

namespace {

using ProgramKey = std::pair<std::string, std::string>;  // name, bits
using Versions = std::map<ProgramKey, std::multiset<std::string>>;

Versions VersionsOf(const std::vector<InstalledProgram>& programs) {
    Versions versions;
    for (const InstalledProgram& program : programs) {
        versions[{program.name, program.bits}].insert(program.version);
    }
    return versions;
}

// a - b, as multisets.
std::vector<std::string> Missing(const std::multiset<std::string>& a,
                                 const std::multiset<std::string>& b) {
    std::vector<std::string> out;
    std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(out));
    return out;
}

std::string Named(std::string_view name, std::string_view version) {
    std::string text(name);
    if (!version.empty()) {
        text += ' ';
        text += version;
    }
    return text;
}

void Hash(std::uint64_t& a, std::uint64_t& b, std::string_view bytes) {
    for (unsigned char c : bytes) {
        a = (a ^ c) * 0x100000001b3ULL;
        b = (b + c + 1) * 0x9e3779b97f4a7c15ULL;
        b ^= b >> 29;
    }
}

}  // namespace

std::vector<std::string> SoftwareChangeTexts(const std::vector<InstalledProgram>& before,
                                             const std::vector<InstalledProgram>& after) {
    static const std::multiset<std::string> kNone;
    const Versions old = VersionsOf(before);
    const Versions now = VersionsOf(after);
    std::set<ProgramKey> keys;
    for (const auto& [key, versions] : old) {
        keys.insert(key);
    }
    for (const auto& [key, versions] : now) {
        keys.insert(key);
    }
    std::vector<std::string> texts;
    for (const ProgramKey& key : keys) {
        const auto oldAt = old.find(key);
        const auto newAt = now.find(key);
        const auto& was = oldAt == old.end() ? kNone : oldAt->second;
        const auto& is = newAt == now.end() ? kNone : newAt->second;
        const std::vector<std::string> went = Missing(was, is);
        const std::vector<std::string> came = Missing(is, was);
        if (went.size() == 1 && came.size() == 1) {
            texts.push_back(Named(key.first, went.front()) + u8" → "_gbk + came.front());
            continue;
        }
        for (const std::string& version : came) {
            texts.push_back(u8"新装 "_gbk + Named(key.first, version));
        }
        for (const std::string& version : went) {
            texts.push_back(u8"卸载 "_gbk + Named(key.first, version));
        }
    }
    return texts;
}

std::vector<InstalledProgram> ProgramsOf(const SoftwareList& list) {
    std::vector<InstalledProgram> programs;
    const std::vector<std::string_view>& lines = list.Lines();
    programs.reserve(lines.size());
    for (std::string_view line : lines) {
        const ProgramView view = SplitProgramLine(line);
        programs.push_back({std::string(view.name), std::string(view.version),
                            std::string(view.publisher), std::string(view.installDate),
                            std::string(view.bits), std::string(view.scope), view.app});
    }
    return programs;
}

namespace {

// The digest of lines already in the form SoftwareDigest writes them.
std::string DigestOfLines(std::vector<std::string_view>& lines) {
    std::sort(lines.begin(), lines.end());
    std::uint64_t a = 0xcbf29ce484222325ULL;
    std::uint64_t b = 0x84222325cbf29ce4ULL;
    for (const std::string_view line : lines) {
        Hash(a, b, line);
        Hash(a, b, "\n");
    }
    static constexpr char kHex[] = "0123456789abcdef";
    std::string digest;
    for (std::uint64_t part : {a, b}) {
        for (int shift = 60; shift >= 0; shift -= 4) {
            digest += kHex[(part >> shift) & 0xF];
        }
    }
    return digest;
}

}  // namespace

std::string SoftwareDigest(const SoftwareList& list) {
    // A line of seven values whose last is "1" or "0", without its carriage
    // return, is already its program written out as the digest reads it:
    // such lines are hashed where they lie, with no copy. Any other line
    // is read into values first.
    const std::vector<std::string_view>& given = list.Lines();
    std::vector<std::string_view> lines;
    lines.reserve(given.size());
    for (std::string_view line : given) {
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        const std::size_t lastTab = line.rfind('\t');
        const std::string_view app =
            lastTab == std::string_view::npos ? line : line.substr(lastTab + 1);
        if (ProgramValueCount(line) != 7 || (app != "1" && app != "0")) {
            return SoftwareDigest(ProgramsOf(list));
        }
        lines.push_back(line);
    }
    return DigestOfLines(lines);
}

std::string SoftwareDigest(const std::vector<InstalledProgram>& programs) {
    std::vector<std::string> texts;
    texts.reserve(programs.size());
    for (const InstalledProgram& p : programs) {
        texts.push_back(p.name + '\t' + p.version + '\t' + p.publisher + '\t' + p.installDate +
                        '\t' + p.bits + '\t' + p.scope + '\t' + (p.app ? '1' : '0'));
    }
    std::vector<std::string_view> lines(texts.begin(), texts.end());
    return DigestOfLines(lines);
}

}  // namespace vantrel::store
