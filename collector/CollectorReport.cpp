#include "CollectorReport.h"

#include <algorithm>
#include <iterator>
#include <stdexcept>

#include "CollectorMarker.h"
#include "GbkLiteral.h"
#include "IdentityFields.h"
#include "IpColumns.h"
#include "SoftwareField.h"

namespace vantrel::collector {

FormFields ReportFields(const HardwareFacts& facts, const PersonEntries& person) {
    // Each value under the name the intake reads for its column.
    const std::pair<std::string_view, const std::string*> values[] = {
        {"username", &person.user}, {"bm", &person.dept},       {"dh", &person.tel},
        {"pcname", &facts.pcName},  {"pctype", &facts.pcType},  {"bz", &person.note},
        {"os", &facts.os},          {"cpu", &facts.cpu},        {"rammax", &facts.ramTotal},
        {"xk", &facts.graphics},    {"rammin", &facts.ramFree}, {"board", &facts.board},
        {"bios", &facts.bios},      {"yp", &facts.disks},       {"mac", &facts.mac},
        {"ip", &facts.ip},
    };
    FormFields fields;
    for (const auto& [column, value] : values) {
        fields.emplace_back(std::string(protocol::FormFieldOf(column)), *value);
    }
    const std::pair<std::string_view, const std::string*> identity[] = {
        {protocol::kMakerField, &facts.maker},
        {protocol::kModelField, &facts.model},
        {protocol::kSerialField, &facts.serial},
        {protocol::kUuidField, &facts.uuid},
        {protocol::kBoardSerialField, &facts.boardSerial},
        {protocol::kChassisSerialField, &facts.chassisSerial},
        {protocol::kAssetTagField, &facts.assetTag},
        {protocol::kMonitorsField, &facts.monitors},
        {protocol::kMacsField, &facts.macs},
    };
    static_assert(std::size(identity) == protocol::kIdentityFields.size());
    for (const auto& [name, value] : identity) {
        fields.emplace_back(std::string(name), *value);
    }
    if (!facts.software.value.empty()) {
        fields.emplace_back(std::string(protocol::kSoftwareField), facts.software.value);
    }
    return fields;
}

std::string DescribeFacts(const HardwareFacts& facts) {
    // Monitors by number: their EDIDs are no reading for people.
    std::string monitors;
    if (!facts.monitors.empty()) {
        const auto count =
            std::count(facts.monitors.begin(), facts.monitors.end(), protocol::kListSeparator) + 1;
        monitors = std::to_string(count) + u8" 台"_gbk;
    }
    const std::string software = DescribeSoftware(facts.software);
    // Labels as the page and the inventory grid name the fields.
    const std::pair<std::string_view, const std::string*> lines[] = {
        {u8"PC名"_gbk, &facts.pcName},   {u8"机型"_gbk, &facts.pcType},
        {u8"操作系统"_gbk, &facts.os},   {u8"处理器"_gbk, &facts.cpu},
        {u8"主板"_gbk, &facts.board},    {"BIOS", &facts.bios},
        {u8"内存"_gbk, &facts.ramTotal}, {u8"可用内存"_gbk, &facts.ramFree},
        {u8"硬盘"_gbk, &facts.disks},    {u8"显卡"_gbk, &facts.graphics},
        {u8"网卡地址"_gbk, &facts.mac},  {u8"IP 地址"_gbk, &facts.ip},
        {u8"型号"_gbk, &facts.model},    {u8"序列号"_gbk, &facts.serial},
        {"UUID", &facts.uuid},           {u8"显示器"_gbk, &monitors},
        {u8"全部网卡"_gbk, &facts.macs}, {u8"已安装软件"_gbk, &software},
    };
    std::string text;
    for (const auto& [label, value] : lines) {
        text += label;
        text += u8"："_gbk;
        text += value->empty() ? u8"（未检测到）"_gbk : *value;
        text += "\r\n";
    }
    return text;
}

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
    CommandLine line;
    const std::pair<const char*, std::string*> valued[] = {
        {"--server", &line.server},  {"--user", &line.person.user}, {"--dept", &line.person.dept},
        {"--tel", &line.person.tel}, {"--note", &line.person.note},
    };
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--silent") {
            line.silent = true;
            continue;
        }
        bool known = false;
        for (const auto& [name, target] : valued) {
            const std::string option = name;
            if (argument == option) {
                if (i + 1 >= arguments.size()) {
                    // "缺少参数值："
                    throw std::runtime_error(u8"缺少参数值："_gbk + option);
                }
                *target = arguments[++i];
                known = true;
            } else if (argument.compare(0, option.size() + 1, option + "=") == 0) {
                *target = argument.substr(option.size() + 1);
                known = true;
            }
            if (known) {
                break;
            }
        }
        if (!known) {
            // "未知参数："
            throw std::runtime_error(u8"未知参数："_gbk + argument);
        }
    }
    if (!line.server.empty() && !protocol::IsValidHostPort(line.server)) {
        // "服务器地址无效："
        throw std::runtime_error(u8"服务器地址无效："_gbk + line.server);
    }
    if (line.silent && line.person.user.empty()) {
        // "--silent 需要 --user（使用者）"
        throw std::runtime_error(u8"--silent 需要 --user（使用者）"_gbk);
    }
    return line;
}

}  // namespace vantrel::collector
