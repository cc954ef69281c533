#include "IdentityMatch.h"

#include <algorithm>

#include "Gbk.h"
#include "IdentityPlaceholders.h"
#include "IdentityTables.h"
#include "MacText.h"
#include "StatementCache.h"

namespace vantrel::store {

namespace {

constexpr std::string_view kDeviceColumns =
    "mac, maker, model, serial, boardserial, chassisserial, assettag, uuid";

std::string_view Known(std::string_view serial) {
    return protocol::IsPlaceholderText(serial) ? std::string_view() : serial;
}

std::string KnownUuid(std::string_view uuid) {
    return protocol::IsPlaceholderUuid(uuid) ? std::string() : text::AsciiLower(uuid);
}

DeviceIdentity DeviceAt(const SqliteStatement& row) {
    DeviceIdentity device;
    std::string DeviceIdentity::*members[] = {
        &DeviceIdentity::maker,       &DeviceIdentity::model,         &DeviceIdentity::serial,
        &DeviceIdentity::boardSerial, &DeviceIdentity::chassisSerial, &DeviceIdentity::assetTag,
        &DeviceIdentity::uuid};
    for (int i = 0; i < 7; ++i) {
        device.*members[i] = std::string(row.Bytes(i + 1));
    }
    return device;
}

// The candidate of `key`, added when new; keys compare as MACs do.
IdentityCandidate& CandidateOf(std::vector<IdentityCandidate>& candidates, std::string_view key) {
    for (IdentityCandidate& candidate : candidates) {
        if (text::EqualsIgnoringAsciiCase(candidate.key, key)) {
            return candidate;
        }
    }
    IdentityCandidate& added = candidates.emplace_back();
    added.key = std::string(key);
    return added;
}

void AddDevices(StatementCache& statements, std::vector<IdentityCandidate>& candidates,
                std::string_view where, std::string_view value) {
    SqliteStatement& read = statements.Get("SELECT " + std::string(kDeviceColumns) +
                                           " FROM ip_device WHERE " + std::string(where) + " = ?1");
    const SqliteStatement::ResetOnExit reset(read);
    read.BindText(1, value);
    while (read.Step()) {
        CandidateOf(candidates, read.Bytes(0)).device = DeviceAt(read);
    }
}

// The keys of the PCs holding `mac`, as their row's MAC or a known one.
std::vector<std::string> KeysHolding(StatementCache& statements, std::uint64_t bits) {
    std::vector<std::string> keys;
    const auto notations = inventory::MacNotations(bits);
    SqliteStatement& rows = statements.Get(
        "SELECT DISTINCT mac FROM ip WHERE mac COLLATE NOCASE IN (?1, ?2, ?3, ?4, ?5)");
    const SqliteStatement::ResetOnExit resetRows(rows);
    for (int i = 0; i < 5; ++i) {
        rows.BindText(i + 1, notations[static_cast<std::size_t>(i)]);
    }
    while (rows.Step()) {
        keys.emplace_back(rows.Bytes(0));
    }
    SqliteStatement& known = statements.Get("SELECT mac FROM ip_knownmac WHERE othermac = ?1");
    const SqliteStatement::ResetOnExit resetKnown(known);
    known.BindText(1, inventory::MacTextOf(bits));
    while (known.Step()) {
        keys.emplace_back(known.Bytes(0));
    }
    return keys;
}

}  // namespace

IdentityDecision DecideIdentity(const DeviceIdentity* reported,
                                const std::vector<IdentityCandidate>& candidates) {
    const DeviceIdentity none;
    const DeviceIdentity& mine = reported != nullptr ? *reported : none;
    const std::string uuid = KnownUuid(mine.uuid);
    const std::string_view serial = Known(mine.serial);
    IdentityDecision decision;
    bool cloned = false;
    for (const IdentityCandidate& candidate : candidates) {
        const std::string theirUuid = KnownUuid(candidate.device.uuid);
        const std::string_view theirSerial = Known(candidate.device.serial);
        const bool uuidSame = !uuid.empty() && uuid == theirUuid;
        const bool uuidDiffers = !uuid.empty() && !theirUuid.empty() && uuid != theirUuid;
        const bool serialDiffers = !serial.empty() && !theirSerial.empty() && serial != theirSerial;
        const bool serialSame = !serial.empty() && serial == theirSerial &&
                                mine.maker == candidate.device.maker &&
                                mine.model == candidate.device.model;
        cloned = cloned || (uuidSame && serialDiffers);
        const bool agrees = (uuidSame && !serialDiffers) || (serialSame && !uuidDiffers) ||
                            (candidate.listedMac && !uuidDiffers && !serialDiffers);
        if (agrees) {
            ++decision.agreeing;
            decision.key = candidate.key;
            decision.serial = candidate.device.serial;
        }
    }
    if (decision.agreeing == 1) {
        decision.kind = IdentityNote::Kind::SamePc;
        if (!serial.empty()) {
            decision.serial = std::string(serial);
        }
        return decision;
    }
    decision.key.clear();
    decision.serial.clear();
    decision.kind = decision.agreeing > 1 ? IdentityNote::Kind::SeveralPcs
                    : cloned              ? IdentityNote::Kind::ClonedUuid
                                          : IdentityNote::Kind::None;
    return decision;
}

IdentityDecision FindSamePc(StatementCache& statements, const HardwareReport& report) {
    const ReportIdentity& identity = report.identity;
    if (!identity.Sent() || !statements.Has("ip_device") || !statements.Has("ip_knownmac")) {
        return {};
    }
    std::vector<IdentityCandidate> candidates;
    if (identity.device) {
        if (const std::string uuid = KnownUuid(identity.device->uuid); !uuid.empty()) {
            AddDevices(statements, candidates, "uuid", uuid);
        }
        if (const std::string_view serial = Known(identity.device->serial); !serial.empty()) {
            AddDevices(statements, candidates, "serial", serial);
        }
    }
    // The report's own MAC too: the PC may have held it before a move.
    std::vector<std::string> macs = identity.macs.value_or(std::vector<std::string>());
    const auto own = inventory::MacBits(report.mac);
    if (!own || std::none_of(macs.begin(), macs.end(), [&own](const std::string& mac) {
            return inventory::MacBits(mac) == own;
        })) {
        macs.push_back(report.mac);
    }
    for (const std::string& mac : macs) {
        const auto bits = inventory::MacBits(mac);
        if (!bits || inventory::IsPlaceholderMac(*bits)) {
            continue;
        }
        for (const std::string& key : KeysHolding(statements, *bits)) {
            const bool known = std::any_of(
                candidates.begin(), candidates.end(), [&key](const IdentityCandidate& candidate) {
                    return text::EqualsIgnoringAsciiCase(candidate.key, key);
                });
            IdentityCandidate& candidate = CandidateOf(candidates, key);
            candidate.listedMac = true;
            if (!known) {
                SqliteStatement& read = statements.Get("SELECT " + std::string(kDeviceColumns) +
                                                       " FROM ip_device WHERE mac = ?1");
                const SqliteStatement::ResetOnExit reset(read);
                read.BindText(1, key);
                if (read.Step()) {
                    candidate.device = DeviceAt(read);
                }
            }
        }
    }
    std::erase_if(candidates, [&statements](const IdentityCandidate& candidate) {
        return !KeyHasRow(statements.Handle(), candidate.key);
    });
    return DecideIdentity(identity.device ? &*identity.device : nullptr, candidates);
}

}  // namespace vantrel::store
