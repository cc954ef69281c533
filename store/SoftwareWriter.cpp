#include "SoftwareWriter.h"

#include <set>

#include "GbkLiteral.h"
#include "HistoryWriter.h"
#include "IpHistory.h"
#include "ReportStore.h"
#include "SoftwareChanges.h"

namespace vantrel::store {

namespace {

constexpr std::string_view kSoftwareField = "software";

void Run(SqliteStatement& statement) {
    const SqliteStatement::ResetOnExit reset(statement);
    statement.Step();
}

}  // namespace

SoftwareWriter::Statements::Statements(sqlite3* db)
    : digest(db, "select digest from ip_softlist where mac=?1"),
      programs(db,
               "select name,version,publisher,installdate,bits,scope,app from ip_software "
               "where mac=?1"),
      remove(db, "delete from ip_software where mac=?1"),
      add(db,
          "insert into ip_software (mac,name,version,publisher,installdate,bits,scope,app) "
          "values (?1,?2,?3,?4,?5,?6,?7,?8)"),
      listed(db,
             "insert into ip_softlist (mac,digest,listtime,programs) values (?1,?2,?3,?4) "
             "on conflict (mac) do update set digest=excluded.digest, "
             "listtime=excluded.listtime, programs=excluded.programs") {}

SoftwareWriter::SoftwareWriter(sqlite3* db) : db_(db) {}

void SoftwareWriter::Store(const HardwareReport& report, const std::vector<WrittenRow>& rows,
                           const SoftwareList* list, std::string_view address,
                           std::string_view time, HistoryWriter& history) {
    if (list == nullptr) {
        return;
    }
    if (address.empty()) {
        address = report.ip;
    }
    if (!report.mac.empty()) {
        Replace(report.mac, *list, address, time, history);
        return;
    }
    std::set<std::string> keys;
    for (const WrittenRow& row : rows) {
        keys.insert(HistoryKey("", row.values.ip, row.values.pcname));
    }
    for (const std::string& key : keys) {
        Replace(key, *list, address, time, history);
    }
}

bool SoftwareWriter::Replace(std::string_view key, const SoftwareList& list,
                             std::string_view address, std::string_view time,
                             HistoryWriter& history) {
    if (!statements_) {
        statements_.emplace(db_);
    }
    Statements& s = *statements_;
    const std::string digest = list.digest.empty() ? SoftwareDigest(list) : list.digest;
    bool listedBefore = false;
    {
        const SqliteStatement::ResetOnExit reset(s.digest);
        s.digest.BindText(1, key);
        if (s.digest.Step()) {
            listedBefore = true;
            if (s.digest.Bytes(0) == digest) {
                return false;
            }
        }
    }
    const std::vector<InstalledProgram> programs = ProgramsOf(list);
    std::vector<InstalledProgram> before;
    if (listedBefore) {
        const SqliteStatement::ResetOnExit reset(s.programs);
        s.programs.BindText(1, key);
        while (s.programs.Step()) {
            before.push_back({std::string(s.programs.Bytes(0)), std::string(s.programs.Bytes(1)),
                              std::string(s.programs.Bytes(2)), std::string(s.programs.Bytes(3)),
                              std::string(s.programs.Bytes(4)), std::string(s.programs.Bytes(5)),
                              s.programs.Int64(6) != 0});
        }
    }
    s.remove.BindText(1, key);
    Run(s.remove);
    for (const InstalledProgram& p : programs) {
        s.add.BindText(1, key);
        s.add.BindText(2, p.name);
        s.add.BindText(3, p.version);
        s.add.BindText(4, p.publisher);
        s.add.BindText(5, p.installDate);
        s.add.BindText(6, p.bits);
        s.add.BindText(7, p.scope);
        s.add.BindInt64(8, p.app ? 1 : 0);
        Run(s.add);
    }
    s.listed.BindText(1, key);
    s.listed.BindText(2, digest);
    s.listed.BindText(3, time);
    s.listed.BindInt64(4, static_cast<std::int64_t>(programs.size()));
    Run(s.listed);

    if (!listedBefore) {
        return true;
    }
    std::vector<std::string> texts = SoftwareChangeTexts(before, programs);
    if (texts.size() > kMaxHistoryEntries) {
        const std::size_t more = texts.size() - (kMaxHistoryEntries - 1);
        texts.resize(kMaxHistoryEntries - 1);
        texts.push_back(u8"另有 "_gbk + std::to_string(more) + u8" 项变更"_gbk);
    }
    std::vector<ReportChange> changes;
    changes.reserve(texts.size());
    for (std::string& text : texts) {
        changes.push_back({kSoftwareField, std::nullopt, std::move(text)});
    }
    if (!changes.empty()) {
        history.Record(key, address, time, changes);
    }
    return true;
}

}  // namespace vantrel::store
