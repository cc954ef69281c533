#include "SoftwareCatalog.h"

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <thread>

#include "Gbk.h"
#include "InventoryDatabase.h"
#include "SoftwareCatalogCount.h"
#include "SoftwareTables.h"
#include "SqliteStatement.h"
#include "StoreError.h"

namespace vantrel::store {

namespace {

// A slice of the catalog's read: at most so many rows of ip_software, and
// at most so long with the connection's lock held.
constexpr std::int64_t kSliceRows = 20000;
constexpr auto kSliceTime = std::chrono::milliseconds(5);
// The pause between slices. A mutex given back is otherwise taken again by
// the same thread before a thread waiting for it has woken: the window and
// the reports would wait for the whole read after all.
constexpr auto kSlicePause = std::chrono::microseconds(200);

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
    {
        auto guard = connection.Lock();
        sqlite3* db = OpenHandle(connection);
        if (!SoftwareTables::Present(db)) {
            return catalog;
        }
        catalog.licences = ReadLicences(db);
        catalog.listedPcs = CountRows(db, "select count(*) from ip_softlist");
    }
    CatalogCount count;
    // Read in slices by rowid, the connection's lock held for one slice at
    // a time: reports and the window wait for a slice, never for the scan.
    // A list replaced meanwhile is written behind the slices read, so its
    // PC is counted once, with both lists' versions at most.
    std::int64_t after = 0;
    for (bool more = true; more;) {
        {
            auto guard = connection.Lock();
            sqlite3* db = OpenHandle(connection);
            SqliteStatement scan(db,
                                 "select rowid,mac,name,version,publisher,app from ip_software "
                                 "where rowid>?1 order by rowid");
            scan.BindInt64(1, after);
            const auto until = std::chrono::steady_clock::now() + kSliceTime;
            more = false;
            for (std::int64_t read = 1; scan.Step(); ++read) {
                const std::uint32_t program =
                    count.Add(scan.Bytes(1), scan.Bytes(2), scan.Bytes(3));
                if (count.WantsPublisher(program)) {
                    count.SetPublisher(program, scan.Bytes(4));
                }
                if (count.WantsApp(program) && scan.Int64(5) != 0) {
                    count.MarkApp(program);
                }
                if (read == kSliceRows ||
                    (read % 256 == 0 && std::chrono::steady_clock::now() >= until)) {
                    after = scan.Int64(0);
                    more = true;
                    break;
                }
            }
        }
        if (more) {
            std::this_thread::sleep_for(kSlicePause);
        }
    }
    count.Finish(catalog);
    ApplyLicences(catalog);
    return catalog;
}

void ApplyLicences(SoftwareCatalog& catalog) {
    const std::size_t count = catalog.lines.size();
    static const std::vector<std::uint32_t> kNoPcs;
    const auto pcsOf = [&](std::size_t line) -> const std::vector<std::uint32_t>& {
        return line < catalog.linePcs.size() ? catalog.linePcs[line] : kNoPcs;
    };
    // The lines of each licence together, so that its copies are counted
    // with a mark per PC instead of by sorting every PC of every line: a
    // pattern may cover hundreds of programs, and the window applies the
    // licences again after each edit.
    std::vector<const Licence*> of(count, nullptr);
    std::map<std::int64_t, std::vector<std::size_t>> linesOf;
    std::uint32_t pcs = 0;
    for (std::size_t i = 0; i < count; ++i) {
        of[i] = LicenceOf(catalog.licences, catalog.lines[i].name);
        if (of[i] != nullptr) {
            linesOf[of[i]->id].push_back(i);
            for (const std::uint32_t pc : pcsOf(i)) {
                pcs = std::max(pcs, pc + 1);
            }
        }
    }
    std::vector<std::uint32_t> marks(pcs, 0);  // by PC: the last licence that counted it
    std::map<std::int64_t, std::size_t> copies;
    std::uint32_t mark = 0;
    for (const auto& [id, lines] : linesOf) {
        ++mark;
        std::size_t& copiesOf = copies[id];
        for (const std::size_t line : lines) {
            for (const std::uint32_t pc : pcsOf(line)) {
                if (marks[pc] != mark) {
                    marks[pc] = mark;
                    ++copiesOf;
                }
            }
        }
    }
    for (std::size_t i = 0; i < count; ++i) {
        CatalogLine& line = catalog.lines[i];
        line.licence.reset();
        line.licensedPcs = 0;
        if (of[i] != nullptr) {
            line.licence = *of[i];
            line.licensedPcs = copies[of[i]->id];
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
    {
        auto guard = connection.Lock();
        sqlite3* db = OpenHandle(connection);
        if (!SoftwareTables::Present(db)) {
            return counts;
        }
        counts.listedPcs = CountRows(db, "select count(*) from ip_softlist");
        if (CountRows(db, "select count(*) from ip_licence") == 0) {
            return counts;
        }
    }
    // The programs short of licences are those the tab draws in red, counted
    // by the same read: in slices, so that the window and the reports never
    // wait for more than one. Looking up the PCs of every name a licence
    // covers held the lock for seconds once a pattern covered many names.
    const SoftwareCatalog catalog = ReadSoftwareCatalog(connection);
    counts.listedPcs = catalog.listedPcs;
    counts.shortPrograms = static_cast<std::size_t>(
        std::count_if(catalog.lines.begin(), catalog.lines.end(),
                      [](const CatalogLine& line) { return line.Shortfall() > 0; }));
    return counts;
}

}  // namespace vantrel::store
