#pragma once
// The benchmarks' own inventory generator: a table shaped like a real
// office's (GBK names and departments, unique MACs, every column filled),
// the same for the same row count.

#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace vantrel::bench {

inline const char* const kDepartments[] = {
    "\xB2\xC6\xCE\xF1\xB2\xBF",          // 财务部
    "\xBC\xBC\xCA\xF5\xB2\xBF",          // 技术部
    "\xB0\xEC\xB9\xAB\xCA\xD2",          // 办公室
    "\xC8\xCB\xCA\xC2\xB2\xBF",          // 人事部
    "\xCF\xFA\xCA\xDB\xB2\xBF",          // 销售部
    "\xC9\xFA\xB2\xFA\xB2\xBF",          // 生产部
    "\xB2\xD6\xBF\xE2",                  // 仓库
    "\xD7\xDC\xBE\xAD\xC0\xED\xCA\xD2",  // 总经理室
};
// 张 王 李 赵 刘 陈 杨 黄 周 吴
inline const char* const kSurnames[] = {"\xD5\xC5", "\xCD\xF5", "\xC0\xEE", "\xD5\xD4", "\xC1\xF5",
                                        "\xB3\xC2", "\xD1\xEE", "\xBB\xC6", "\xD6\xDC", "\xCE\xE2"};
// 伟 芳 娜 敏 静 丽 强 磊 军 洋 勇 艳
inline const char* const kGiven[] = {"\xCE\xB0", "\xB7\xBC", "\xC4\xC8", "\xC3\xF4",
                                     "\xBE\xB2", "\xC0\xF6", "\xC7\xBF", "\xC0\xDA",
                                     "\xBE\xFC", "\xD1\xF3", "\xD3\xC2", "\xD1\xDE"};
inline const char* const kKinds[] = {"\xCC\xA8\xCA\xBD\xBB\xFA",   // 台式机
                                     "\xB1\xCA\xBC\xC7\xB1\xBE"};  // 笔记本
inline const char* const kCpus[] = {"Intel(R) Core(TM) i5-8500 CPU @ 3.00GHz",
                                    "Intel(R) Core(TM) i7-10700 CPU @ 2.90GHz",
                                    "AMD Ryzen 5 3600 6-Core Processor"};
inline const char* const kBoards[] = {"ASUSTeK PRIME B360M-A", "Dell Inc. 0X8DXD", "LENOVO 3102"};
inline const char* const kSystems[] = {"Microsoft Windows 10 Pro", "Microsoft Windows 7 Ultimate",
                                       "Microsoft Windows 11 Pro"};

// The table as the project's schema creates it.
inline const char* const kSchema =
    "CREATE TABLE ip (pcname TEXT, username TEXT, mac TEXT COLLATE NOCASE, ip TEXT, "
    "cpu TEXT, board TEXT, os TEXT, pctype TEXT, rammax TEXT, rammin TEXT, bios TEXT, "
    "bm TEXT, dh TEXT, bz TEXT, yp TEXT, xk TEXT, "
    "djsj DATETIME DEFAULT (datetime('now', 'localtime')));"
    "CREATE INDEX ip_mac ON ip (mac);";

inline void Check(int rc, sqlite3* db) {
    if (rc != SQLITE_OK && rc != SQLITE_DONE) {
        std::fprintf(stderr, "sqlite: %s\n", sqlite3_errmsg(db));
        std::exit(1);
    }
}

// The MAC of generated row `i`: 00-1A and the number's four bytes.
inline std::string GeneratedMac(int i) {
    char mac[32];
    std::snprintf(mac, sizeof mac, "00-1A-%02X-%02X-%02X-%02X", (i >> 24) & 255, (i >> 16) & 255,
                  (i >> 8) & 255, i & 255);
    return mac;
}

// Creates the table in a new file at `path` and fills it with `rows` PCs.
inline void Generate(const std::string& path, int rows) {
    sqlite3* db = nullptr;
    Check(sqlite3_open(path.c_str(), &db), db);
    Check(sqlite3_exec(db, kSchema, nullptr, nullptr, nullptr), db);
    Check(sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr), db);
    sqlite3_stmt* insert = nullptr;
    Check(sqlite3_prepare_v2(db, "INSERT INTO ip VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)", -1,
                             &insert, nullptr),
          db);
    std::mt19937 random(936);
    auto pick = [&](const auto& list) {
        return std::string(list[random() % (sizeof list / sizeof list[0])]);
    };
    for (int i = 0; i < rows; ++i) {
        std::vector<std::string> values = {
            "PC-" + std::to_string(i),
            pick(kSurnames) + pick(kGiven) + (random() % 2 ? pick(kGiven) : ""),
            GeneratedMac(i),
            "192.168." + std::to_string(i / 250 % 256) + "." + std::to_string(i % 250 + 2),
            pick(kCpus),
            pick(kBoards),
            pick(kSystems),
            pick(kKinds),
            std::to_string(4 << (random() % 3)) + "GB",
            std::to_string(1 + random() % 8) + "GB",
            "BIOS-" + std::to_string(random() % 100000),
            pick(kDepartments),
            "0571-" + std::to_string(80000000 + random() % 10000000),
            random() % 10 == 0 ? "" : "-",
            "ST1000DM010 1TB",
            "Intel(R) UHD Graphics 630",
            "2024-05-06 09:07:03",
        };
        for (int c = 0; c < 17; ++c) {
            const std::string& v = values[static_cast<std::size_t>(c)];
            sqlite3_bind_text(insert, c + 1, v.data(), static_cast<int>(v.size()),
                              SQLITE_TRANSIENT);
        }
        Check(sqlite3_step(insert), db);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    Check(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db);
    sqlite3_close(db);
}

}  // namespace vantrel::bench
