// The office's programs as the 软件 tab counts them: rows into lines (PCs
// counted once however their rows lie, the first publisher, versions, the
// application mark, the order), the numbering of texts that the count
// relies on, and a read long enough to take several slices.

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "SoftwareCatalog.h"
#include "SoftwareCatalogCount.h"
#include "SoftwareCatalogTexts.h"
#include "StoreFixture.h"

namespace vantrel::store::testing {
namespace {

struct Row {
    const char* key;
    const char* name;
    const char* version;
    const char* publisher;
    bool app;
};

// A line as "name|publisher|versions,|pcs|app".
std::string Described(const CatalogLine& line) {
    std::string text = line.name + "|" + line.publisher + "|";
    for (const std::string& version : line.versions) {
        text += version + ",";
    }
    return text + "|" + std::to_string(line.pcs) + "|" + (line.app ? "app" : "package");
}

struct CountCase {
    const char* what;
    std::vector<Row> rows;
    std::vector<std::string> lines;
};

TEST(CatalogCount, RowsCountIntoLines) {
    const CountCase cases[] = {
        {"a PC's rows apart from each other count it once",
         {{"02:00:00:00:00:01", "A", "1", "P", true},
          {"02:00:00:00:00:02", "A", "1", "P", true},
          {"02:00:00:00:00:01", "A", "1", "P", true}},
         {"A|P|1,|2|app"}},
        {"the key's ASCII case is ignored",
         {{"02:00:00:00:00:0a", "A", "1", "P", true}, {"02:00:00:00:00:0A", "A", "1", "P", true}},
         {"A|P|1,|1|app"}},
        {"the first publisher named is kept",
         {{"k1", "A", "1", "", true},
          {"k2", "A", "1", "Acme", true},
          {"k3", "A", "1", "Other", true}},
         {"A|Acme|1,|3|app"}},
        {"an application on any PC is one",
         {{"k1", "A", "1", "P", false}, {"k2", "A", "1", "P", true}, {"k1", "B", "1", "P", false}},
         {"A|P|1,|2|app", "B|P|1,|1|package"}},
        {"each version once, sorted, the empty one too",
         {{"k1", "A", "2.0", "P", true},
          {"k2", "A", "1.0", "P", true},
          {"k3", "A", "", "P", true},
          {"k4", "A", "1.0", "P", true},
          {"k4", "B", "1.0", "P", true}},
         {"A|P|,1.0,2.0,|4|app", "B|P|1.0,|1|app"}},
        {"most PCs first, then by name; names differing in case are two programs",
         {{"k1", "C", "1", "P", true},
          {"k1", "alpha", "1", "P", true},
          {"k2", "B", "1", "P", true},
          {"k3", "B", "1", "P", true},
          {"k3", "Alpha", "1", "P", true}},
         {"B|P|1,|2|app", "Alpha|P|1,|1|app", "C|P|1,|1|app", "alpha|P|1,|1|app"}},
        {"nothing read, no lines", {}, {}},
    };
    for (const CountCase& c : cases) {
        SCOPED_TRACE(c.what);
        CatalogCount count;
        // Fed as the read feeds it: publisher and app only while wanted.
        for (const Row& row : c.rows) {
            const std::uint32_t program = count.Add(row.key, row.name, row.version);
            if (count.WantsPublisher(program)) {
                count.SetPublisher(program, row.publisher);
            }
            if (count.WantsApp(program) && row.app) {
                count.MarkApp(program);
            }
        }
        SoftwareCatalog catalog;
        count.Finish(catalog);
        std::vector<std::string> lines;
        for (const CatalogLine& line : catalog.lines) {
            lines.push_back(Described(line));
        }
        EXPECT_EQ(lines, c.lines);
        ASSERT_EQ(catalog.linePcs.size(), catalog.lines.size());
        for (std::size_t i = 0; i < catalog.lines.size(); ++i) {
            EXPECT_EQ(catalog.linePcs[i].size(), catalog.lines[i].pcs);
        }
    }
}

TEST(CatalogTexts, NumbersHoldAsTheTableGrowsAndTellLikeTextsApart) {
    std::vector<std::string> texts = {
        "", "a", "ab", "a\tb", std::string("a\0b", 3), "\xB0\xEC\xB9\xAB"};
    for (int i = 0; i < 5000; ++i) {
        texts.push_back(Numbered("Example Program ", i));
    }
    CatalogTexts numbers;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        ASSERT_EQ(numbers.NumberOf(texts[i]), i) << i;
    }
    for (std::size_t i = texts.size(); i-- > 0;) {
        ASSERT_EQ(numbers.NumberOf(texts[i]), i) << i;
        ASSERT_EQ(numbers.Text(static_cast<std::uint32_t>(i)), texts[i]);
    }
    EXPECT_EQ(numbers.Size(), texts.size());
}

class SoftwareCatalogTest : public StoreFixture {};

// More rows than one slice of the read holds: every row is counted once,
// as the table itself counts them.
TEST_F(SoftwareCatalogTest, AReadOfManySlicesCountsEveryRowOnce) {
    // 90 PCs with 3 programs of 4 out of 500, PC by PC; then every fifth PC's
    // rows again under its key in upper case, as a list written anew while
    // the tab reads would come. The first PC names no publishers, the last
    // marks its programs as applications.
    Exec(
        "with recursive pc(n) as (select 0 union all select n+1 from pc where n<89),"
        " p(m) as (select 0 union all select m+1 from p where m<499),"
        " rows(n, m, k) as (select n, m, 'ab' from pc, p where (n+m)%4<>0"
        "  union all select n, m, 'AB' from pc, p where (n+m)%4<>0 and n%5=0)"
        " insert into ip_software (mac,name,version,publisher,app)"
        " select '02:00:00:00:00:'||(10+n)||k, 'Program '||m, '1.'||((n+m)%3),"
        " case when n=0 then '' else 'Maker '||m end, n=89 from rows order by k desc, n, m");
    std::map<std::string, std::string> expected;
    for (const auto& row : Query("select name, count(distinct upper(mac)), count(distinct version),"
                                 " max(publisher), max(app) from ip_software group by name")) {
        expected[*row[0]] = "Maker " + row[0]->substr(8) + "|" + *row[2] + "|" + *row[1] + "|" +
                            (*row[4] == "1" ? "app" : "package");
    }
    connection_.Open(path_);
    const SoftwareCatalog catalog = ReadSoftwareCatalog(connection_);
    ASSERT_EQ(catalog.lines.size(), 500u);
    for (const CatalogLine& line : catalog.lines) {
        EXPECT_EQ(line.publisher + "|" + std::to_string(line.versions.size()) + "|" +
                      std::to_string(line.pcs) + "|" + (line.app ? "app" : "package"),
                  expected[line.name])
            << line.name;
    }
}

}  // namespace
}  // namespace vantrel::store::testing
