#include "CollectorReport.h"

#include <stdexcept>

#include "CollectorMarker.h"
#include "IpColumns.h"

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
    return fields;
}

std::string DescribeFacts(const HardwareFacts& facts) {
    // Labels as the page and the inventory grid name the fields.
    const std::pair<const char*, const std::string*> lines[] = {
        {"PC\xC3\xFB", &facts.pcName},                         // PC名
        {"\xBB\xFA\xD0\xCD", &facts.pcType},                   // 机型
        {"\xB2\xD9\xD7\xF7\xCF\xB5\xCD\xB3", &facts.os},       // 操作系统
        {"\xB4\xA6\xC0\xED\xC6\xF7", &facts.cpu},              // 处理器
        {"\xD6\xF7\xB0\xE5", &facts.board},                    // 主板
        {"BIOS", &facts.bios},                                 //
        {"\xC4\xDA\xB4\xE6", &facts.ramTotal},                 // 内存
        {"\xBF\xC9\xD3\xC3\xC4\xDA\xB4\xE6", &facts.ramFree},  // 可用内存
        {"\xD3\xB2\xC5\xCC", &facts.disks},                    // 硬盘
        {"\xCF\xD4\xBF\xA8", &facts.graphics},                 // 显卡
        {"\xCD\xF8\xBF\xA8\xB5\xD8\xD6\xB7", &facts.mac},      // 网卡地址
        {"IP \xB5\xD8\xD6\xB7", &facts.ip},                    // IP 地址
    };
    std::string text;
    for (const auto& [label, value] : lines) {
        text += label;
        text += "\xA3\xBA";                                                          // ：
        text += value->empty() ? "\xA3\xA8\xCE\xB4\xBC\xEC\xB2\xE2\xB5\xBD\xA3\xA9"  // （未检测到）
                               : *value;
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
                    throw std::runtime_error("\xC8\xB1\xC9\xD9\xB2\xCE\xCA\xFD\xD6\xB5\xA3\xBA" +
                                             option);
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
            throw std::runtime_error("\xCE\xB4\xD6\xAA\xB2\xCE\xCA\xFD\xA3\xBA" + argument);
        }
    }
    if (!line.server.empty() && !protocol::IsValidHostPort(line.server)) {
        // "服务器地址无效："
        throw std::runtime_error(
            "\xB7\xFE\xCE\xF1\xC6\xF7\xB5\xD8\xD6\xB7\xCE\xDE\xD0\xA7\xA3\xBA" + line.server);
    }
    if (line.silent && line.person.user.empty()) {
        // "--silent 需要 --user（使用者）"
        throw std::runtime_error(
            "--silent \xD0\xE8\xD2\xAA --user\xA3\xA8\xCA\xB9\xD3\xC3\xD5\xDF\xA3\xA9");
    }
    return line;
}

}  // namespace vantrel::collector
