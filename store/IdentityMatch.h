#pragma once
// Which PC the inventory holds sent a report whose MAC it does not hold:
// the one PC that agrees with the report's firmware values or lists one of
// its MACs. A PC agrees when
// - its UUID is the report's (not a placeholder) and no system serial
//   contradicts (both known and different), or
// - its maker, model and system serial (not a placeholder) are the
//   report's and no UUID contradicts, or
// - the report lists a MAC it holds (as its row's MAC or a known one in
//   ip_knownmac) and neither UUID nor serial contradicts.
// Only PCs with a row in ip count. Exactly one agreeing PC is a match; a
// UUID shared with PCs whose serials differ (a cloned system image) and
// two or more agreeing PCs are none, and say so.

#include <string>
#include <vector>

#include "HardwareReport.h"
#include "ReportStore.h"

namespace vantrel::store {

class StatementCache;

// A PC the inventory holds that may be the one a report came from.
struct IdentityCandidate {
    std::string key;         // HistoryKey of its row
    DeviceIdentity device;   // as ip_device holds it; empty values when none
    bool listedMac = false;  // the report lists a MAC it holds
};

struct IdentityDecision {
    IdentityNote::Kind kind = IdentityNote::Kind::None;
    std::string key;     // SamePc: the PC's key
    std::string serial;  // SamePc: the PC's system serial as now known
    std::size_t agreeing = 0;
};

// The rule over the candidates found; `reported` may be null (the report
// sent no firmware values).
IdentityDecision DecideIdentity(const DeviceIdentity* reported,
                                const std::vector<IdentityCandidate>& candidates);

// Finds the candidates of a report in the open transaction and decides.
// Nothing is found when the file lacks the identity tables.
IdentityDecision FindSamePc(StatementCache& statements, const HardwareReport& report);

}  // namespace vantrel::store
