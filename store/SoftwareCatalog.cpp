#include "SoftwareCatalog.h"

#include <sqlite3.h>

#include <algorithm>
#include <map>
#include <unordered_map>
#include <unordered_set>

#include "Gbk.h"
#include "InventoryDatabase.h"
#include "SoftwareTables.h"
#include "SqliteStatement.h"
#include "StoreError.h"

namespace vantrel::store {

namespace {

// Rows of ip_software one slice of the catalog's read holds.
constexpr std::int64_t kSliceRows = 20000;

struct ViewHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const noexcept {
        return std::hash<std::string_view>{}(text);
    }
};
using StringSet = std::unordered_set<std::string, ViewHash, std::equal_to<>>;
template <typename Value>
using StringMap = std::unordered_map<std::string, Value, ViewHash, std::equal_to<>>;

struct Program {
    std::string publisher;
    StringSet versions;
    std::vector<std::uint32_t> pcs;
    bool app = false;
};

std::vector<Licence> ReadLicences(sqlite3* db) {
    std::vector<Licence> all;
    SqliteStatement read(db, "select id,pattern,seats,note from ip_licence order by pattern");
    while (read.Step()) {
        all.push_back(
            {read.Int64(0), std::string(read.Bytes(1)), read.Int64(2), std::string(read.Bytes(3))});
    }
    return all;
}

std::size_t CountRows(sqlite3* db, const char* sql) {
    SqliteStatement count(db, sql);
    return count.Step() ? static_cast<std::size_t>(count.Int64(0)) : 0;
}

void SortUnique(std::vector<std::uint32_t>& pcs) {
    std::sort(pcs.begin(), pcs.end());
    pcs.erase(std::unique(pcs.begin(), pcs.end()), pcs.end());
}

sqlite3* OpenHandle(InventoryDatabase& connection) {
    if (!connection.Connected()) {
        throw StoreError("The inventory is not open");
    }
    return connection.Handle();
}

}  // namespace

std::size_t CatalogLine::Shortfall() const {
    if (!licence || licence->seats < 0) {
        return 0;
    }
    const auto seats = static_cast<std::size_t>(licence->seats);
    return licensedPcs > seats ? licensedPcs - seats : 0;
}

SoftwareCatalog ReadSoftwareCatalog(InventoryDatabase& connection) {
    SoftwareCatalog catalog;
    StringMap<Program> programs;
    {
        auto guard = connection.Lock();
        sqlite3* db = OpenHandle(connection);
        if (!SoftwareTables::Present(db)) {
            return catalog;
        }
        catalog.licences = ReadLicences(db);
        catalog.listedPcs = CountRows(db, "select count(*) from ip_softlist");
    }
    StringMap<std::uint32_t> pcNumbers;
    std::string lastKey;
    std::uint32_t lastPc = 0;
    // Read in slices by rowid, the connection's lock held for one slice at
    // a time: reports and the window wait for a slice, never for the scan.
    // A list replaced meanwhile is written behind the slices read, so its
    // PC is counted once, with both lists' versions at most.
    std::int64_t after = 0;
    for (bool more = true; more;) {
        auto guard = connection.Lock();
        sqlite3* db = OpenHandle(connection);
        SqliteStatement scan(db,
                             "select rowid,mac,name,version,publisher,app from ip_software "
                             "where rowid>?1 order by rowid limit ?2");
        scan.BindInt64(1, after);
        scan.BindInt64(2, kSliceRows);
        std::int64_t read = 0;
        while (scan.Step()) {
            ++read;
            after = scan.Int64(0);
            // A PC's rows are written together, so the key mostly repeats.
            const std::string_view key = scan.Bytes(1);
            if (key != lastKey || pcNumbers.empty()) {
                lastKey.assign(key);
                const std::string folded = text::AsciiUpper(key);
                lastPc = pcNumbers.try_emplace(folded, static_cast<std::uint32_t>(pcNumbers.size()))
                             .first->second;
            }
            const std::string_view name = scan.Bytes(2);
            auto at = programs.find(name);
            if (at == programs.end()) {
                at = programs.emplace(std::string(name), Program()).first;
            }
            Program& program = at->second;
            if (program.pcs.empty() || program.pcs.back() != lastPc) {
                program.pcs.push_back(lastPc);
            }
            const std::string_view version = scan.Bytes(3);
            if (program.versions.find(version) == program.versions.end()) {
                program.versions.emplace(version);
            }
            if (program.publisher.empty()) {
                program.publisher.assign(scan.Bytes(4));
            }
            program.app = program.app || scan.Int64(5) != 0;
        }
        more = read == kSliceRows;
    }
    catalog.lines.reserve(programs.size());
    std::vector<std::pair<std::size_t, std::vector<std::uint32_t>>> pcsOf;
    for (auto& [name, program] : programs) {
        SortUnique(program.pcs);
        CatalogLine line;
        line.name = name;
        line.publisher = std::move(program.publisher);
        line.versions.assign(program.versions.begin(), program.versions.end());
        std::sort(line.versions.begin(), line.versions.end());
        line.pcs = program.pcs.size();
        line.app = program.app;
        catalog.lines.push_back(std::move(line));
        catalog.linePcs.push_back(std::move(program.pcs));
    }
    // By PCs, most first, then by name: sorted through an index so that
    // the lines and their PCs stay together.
    std::vector<std::size_t> order(catalog.lines.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        order[i] = i;
    }
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        const CatalogLine& x = catalog.lines[a];
        const CatalogLine& y = catalog.lines[b];
        return x.pcs != y.pcs ? x.pcs > y.pcs : x.name < y.name;
    });
    std::vector<CatalogLine> lines;
    std::vector<std::vector<std::uint32_t>> linePcs;
    lines.reserve(order.size());
    linePcs.reserve(order.size());
    for (std::size_t i : order) {
        lines.push_back(std::move(catalog.lines[i]));
        linePcs.push_back(std::move(catalog.linePcs[i]));
    }
    catalog.lines = std::move(lines);
    catalog.linePcs = std::move(linePcs);
    ApplyLicences(catalog);
    return catalog;
}

void ApplyLicences(SoftwareCatalog& catalog) {
    std::map<std::int64_t, std::vector<std::uint32_t>> copies;
    std::vector<const Licence*> of(catalog.lines.size(), nullptr);
    for (std::size_t i = 0; i < catalog.lines.size(); ++i) {
        of[i] = LicenceOf(catalog.licences, catalog.lines[i].name);
        if (of[i] != nullptr) {
            auto& pcs = copies[of[i]->id];
            const auto& more =
                i < catalog.linePcs.size() ? catalog.linePcs[i] : std::vector<std::uint32_t>{};
            pcs.insert(pcs.end(), more.begin(), more.end());
        }
    }
    for (auto& [id, pcs] : copies) {
        SortUnique(pcs);
    }
    for (std::size_t i = 0; i < catalog.lines.size(); ++i) {
        CatalogLine& line = catalog.lines[i];
        line.licence.reset();
        line.licensedPcs = 0;
        if (of[i] != nullptr) {
            line.licence = *of[i];
            line.licensedPcs = copies[of[i]->id].size();
        }
    }
}

PcSoftware ReadPcSoftware(InventoryDatabase& connection, std::string_view key) {
    PcSoftware pc;
    auto guard = connection.Lock();
    sqlite3* db = OpenHandle(connection);
    if (!SoftwareTables::Present(db)) {
        return pc;
    }
    {
        SqliteStatement listed(db, "select listtime from ip_softlist where mac=?1");
        listed.BindText(1, key);
        if (listed.Step()) {
            pc.listTime = std::string(listed.Bytes(0));
        }
    }
    SqliteStatement read(db,
                         "select name,version,publisher,installdate,bits,scope,app from "
                         "ip_software where mac=?1 order by name, version");
    read.BindText(1, key);
    while (read.Step()) {
        pc.programs.push_back({std::string(read.Bytes(0)), std::string(read.Bytes(1)),
                               std::string(read.Bytes(2)), std::string(read.Bytes(3)),
                               std::string(read.Bytes(4)), std::string(read.Bytes(5)),
                               read.Int64(6) != 0});
    }
    return pc;
}

std::set<std::string> KeysHaving(InventoryDatabase& connection, std::string_view name,
                                 std::optional<std::string_view> version) {
    std::set<std::string> keys;
    auto guard = connection.Lock();
    sqlite3* db = OpenHandle(connection);
    if (!SoftwareTables::Present(db)) {
        return keys;
    }
    SqliteStatement read(db,
                         "select distinct mac from ip_software where name=?1 and "
                         "(?2 is null or version=?2)");
    read.BindText(1, name);
    if (version) {
        read.BindText(2, *version);
    }
    while (read.Step()) {
        keys.insert(text::AsciiUpper(read.Bytes(0)));
    }
    return keys;
}

SoftwareCounts ReadSoftwareCounts(InventoryDatabase& connection) {
    SoftwareCounts counts;
    std::vector<Licence> licences;
    std::vector<std::pair<std::string, std::string>> named;  // name, key
    {
        auto guard = connection.Lock();
        sqlite3* db = OpenHandle(connection);
        if (!SoftwareTables::Present(db)) {
            return counts;
        }
        counts.listedPcs = CountRows(db, "select count(*) from ip_softlist");
        licences = ReadLicences(db);
        if (licences.empty()) {
            return counts;
        }
        // Only the names some licence applies to are read with their PCs.
        std::vector<std::string> names;
        {
            SqliteStatement distinct(db, "select distinct name from ip_software");
            while (distinct.Step()) {
                if (LicenceOf(licences, distinct.Bytes(0)) != nullptr) {
                    names.emplace_back(distinct.Bytes(0));
                }
            }
        }
        SqliteStatement pcs(db, "select distinct mac from ip_software where name=?1");
        for (const std::string& name : names) {
            const SqliteStatement::ResetOnExit reset(pcs);
            pcs.BindText(1, name);
            while (pcs.Step()) {
                named.emplace_back(name, text::AsciiUpper(pcs.Bytes(0)));
            }
        }
    }
    std::map<std::int64_t, std::set<std::string>> copies;
    std::map<std::string, std::int64_t> licenceOfName;
    for (const auto& [name, key] : named) {
        const Licence* licence = LicenceOf(licences, name);
        copies[licence->id].insert(key);
        licenceOfName[name] = licence->id;
    }
    for (const auto& [name, id] : licenceOfName) {
        const auto licence = std::find_if(licences.begin(), licences.end(),
                                          [id](const Licence& l) { return l.id == id; });
        if (copies[id].size() >
            static_cast<std::size_t>(std::max<std::int64_t>(0, licence->seats))) {
            ++counts.shortPrograms;
        }
    }
    return counts;
}

}  // namespace vantrel::store
