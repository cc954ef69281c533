#pragma once
// The report values that tell which PC sent a report, beside the columns of
// table ip: the collectors send them, the intake may read them by these
// names (a report without them is as valid as before). Each value is ASCII;
// a value the PC does not tell, or tells only as a placeholder
// (IdentityPlaceholders.h), is sent empty.
//
// Layouts:
// - xipMaker, xipModel: SMBIOS type 1 manufacturer; product name, followed
//   after a blank by the version where the version says more than the name.
// - xipSerial, xipBoardSerial, xipChassisSerial, xipAssetTag: SMBIOS type 1,
//   2 and 3 serial numbers and the type 3 asset tag, trimmed.
// - xipUuid: SMBIOS type 1 UUID as 36 characters, upper-case hex digits in
//   groups 8-4-4-4-12; the first three groups read little-endian from SMBIOS
//   2.6 on, as the kernel and Windows show it.
// - xipMonitors: the raw EDID (128 bytes or more) of each connected monitor
//   as upper-case hex digits, two per byte, monitors separated by ",".
// - xipMacs: each physical network card's MAC as the intake writes one
//   (upper-case hex pairs joined by ":"), cards separated by ",", each MAC
//   once, in the order the system lists the cards.

#include <array>
#include <string_view>

namespace vantrel::protocol {

inline constexpr std::string_view kMakerField = "xipMaker";
inline constexpr std::string_view kModelField = "xipModel";
inline constexpr std::string_view kSerialField = "xipSerial";
inline constexpr std::string_view kUuidField = "xipUuid";
inline constexpr std::string_view kBoardSerialField = "xipBoardSerial";
inline constexpr std::string_view kChassisSerialField = "xipChassisSerial";
inline constexpr std::string_view kAssetTagField = "xipAssetTag";
inline constexpr std::string_view kMonitorsField = "xipMonitors";
inline constexpr std::string_view kMacsField = "xipMacs";

// All of them, in the order the collectors send them (after the columns').
inline constexpr std::array<std::string_view, 9> kIdentityFields{
    kMakerField,         kModelField,    kSerialField,   kUuidField, kBoardSerialField,
    kChassisSerialField, kAssetTagField, kMonitorsField, kMacsField};

// Separator between monitors in xipMonitors and between cards in xipMacs.
inline constexpr char kListSeparator = ',';

}  // namespace vantrel::protocol
