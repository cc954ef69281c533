#include "XlsxSheetReader.h"

#include <expat.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string_view>
#include <thread>

#include "CellText.h"
#include "GbkConvert.h"
#include "ImportError.h"
#include "ImportLimits.h"
#include "ImportMessages.h"
#include "RowPipe.h"

namespace vantrel::import {

namespace {

// Element names without their namespace prefix ("x:row" is "row").
std::string_view Local(const XML_Char* name) {
    // One pass over the short name, called for every element of a sheet.
    const char* local = name;
    const char* end = name;
    for (; *end != '\0'; ++end) {
        if (*end == ':' && local == name) {
            local = end + 1;
        }
    }
    return std::string_view(local, static_cast<std::size_t>(end - local));
}

const char* Attribute(const XML_Char** attributes, std::string_view wanted) {
    for (int i = 0; attributes[i] != nullptr; i += 2) {
        if (Local(attributes[i]) == wanted) {
            return attributes[i + 1];
        }
    }
    return nullptr;
}

// A whole part through expat, for the small parts read before the sheet.
class XmlPass {
  public:
    using Start = std::function<void(std::string_view, const XML_Char**)>;
    using End = std::function<void(std::string_view)>;
    using Text = std::function<void(std::string_view)>;

    XmlPass(const std::string& path, Start start, End end = {}, Text text = {})
        : path_(path), start_(std::move(start)), end_(std::move(end)), text_(std::move(text)) {}

    void Run(ZipArchive::Part& part) {
        const std::unique_ptr<XML_ParserStruct, decltype(&XML_ParserFree)> owner(
            XML_ParserCreate("UTF-8"), &XML_ParserFree);
        XML_Parser parser = owner.get();
        XML_SetUserData(parser, this);
        XML_SetElementHandler(
            parser,
            [](void* self, const XML_Char* name, const XML_Char** attributes) {
                auto* pass = static_cast<XmlPass*>(self);
                pass->Guard([&] { pass->start_(Local(name), attributes); });
            },
            [](void* self, const XML_Char* name) {
                auto* pass = static_cast<XmlPass*>(self);
                if (pass->end_) {
                    pass->Guard([&] { pass->end_(Local(name)); });
                }
            });
        XML_SetCharacterDataHandler(parser, [](void* self, const XML_Char* s, int length) {
            auto* pass = static_cast<XmlPass*>(self);
            if (pass->text_) {
                pass->Guard(
                    [&] { pass->text_(std::string_view(s, static_cast<std::size_t>(length))); });
            }
        });
        parser_ = parser;
        char buffer[1 << 16];
        for (;;) {
            const std::size_t got = part.Read(buffer, sizeof buffer);
            if (XML_Parse(parser, buffer, static_cast<int>(got), got == 0) == XML_STATUS_ERROR) {
                if (failure_) {
                    std::rethrow_exception(failure_);
                }
                throw ImportError(
                    messages::Damaged(path_, XML_ErrorString(XML_GetErrorCode(parser))));
            }
            if (got == 0) {
                break;
            }
        }
    }

  private:
    // A callback's exception must not unwind through expat: it is kept, the
    // parser stopped, and the exception thrown again once expat returns.
    template <typename F>
    void Guard(F&& f) {
        if (failure_) {
            return;
        }
        try {
            f();
        } catch (...) {
            failure_ = std::current_exception();
            XML_StopParser(parser_, XML_FALSE);
        }
    }

    std::string path_;
    XML_Parser parser_ = nullptr;
    std::exception_ptr failure_;
    Start start_;
    End end_;
    Text text_;
};

struct SheetEntry {
    std::string name;  // UTF-8
    std::string part;  // path inside the zip
};

struct Workbook {
    std::vector<SheetEntry> sheets;
    bool epoch1904 = false;
};

Workbook ReadWorkbook(ZipArchive& zip, const std::string& path) {
    Workbook book;
    std::vector<std::string> ids;
    {
        auto part = zip.Open("xl/workbook.xml");
        XmlPass(path, [&](std::string_view name, const XML_Char** a) {
            if (name == "sheet") {
                const char* sheetName = Attribute(a, "name");
                const char* id = Attribute(a, "id");
                book.sheets.push_back({sheetName != nullptr ? sheetName : "", ""});
                ids.emplace_back(id != nullptr ? id : "");
            } else if (name == "workbookPr") {
                const char* date1904 = Attribute(a, "date1904");
                book.epoch1904 = date1904 != nullptr && (std::strcmp(date1904, "1") == 0 ||
                                                         std::strcmp(date1904, "true") == 0);
            }
        }).Run(*part);
    }
    std::map<std::string, std::string> targets;
    if (zip.Has("xl/_rels/workbook.xml.rels")) {
        auto part = zip.Open("xl/_rels/workbook.xml.rels");
        XmlPass(path, [&](std::string_view name, const XML_Char** a) {
            if (name == "Relationship") {
                const char* id = Attribute(a, "Id");
                const char* target = Attribute(a, "Target");
                if (id != nullptr && target != nullptr) {
                    std::string t = target;
                    t = t.starts_with('/') ? t.substr(1) : "xl/" + t;
                    targets[id] = t;
                }
            }
        }).Run(*part);
    }
    for (std::size_t i = 0; i < book.sheets.size(); ++i) {
        const auto found = targets.find(ids[i]);
        book.sheets[i].part = found != targets.end()
                                  ? found->second
                                  : "xl/worksheets/sheet" + std::to_string(i + 1) + ".xml";
    }
    if (book.sheets.empty()) {
        throw ImportError(messages::Damaged(path, "no sheet"));
    }
    return book;
}

// Whether a number format shows a date or a time: the built-in ones, and
// codes with a day, year, hour or second outside quoted text and brackets.
bool IsDateFormatId(int id) {
    return (id >= 14 && id <= 22) || (id >= 27 && id <= 36) || (id >= 45 && id <= 47) ||
           (id >= 50 && id <= 58);
}

bool IsDateFormatCode(std::string_view code) {
    bool quoted = false;
    bool bracket = false;
    for (std::size_t i = 0; i < code.size(); ++i) {
        const char c = code[i];
        if (quoted) {
            quoted = c != '"';
        } else if (bracket) {
            bracket = c != ']';
        } else if (c == '"') {
            quoted = true;
        } else if (c == '[') {
            bracket = true;
        } else if (c == '\\' || c == '_' || c == '*') {
            ++i;
        } else if (c == 'y' || c == 'Y' || c == 'd' || c == 'D' || c == 'h' || c == 'H' ||
                   c == 's' || c == 'S') {
            return true;
        }
    }
    return false;
}

std::vector<bool> ReadDateStyles(ZipArchive& zip, const std::string& path) {
    std::vector<bool> dates;
    if (!zip.Has("xl/styles.xml")) {
        return dates;
    }
    std::map<int, bool> custom;
    bool inCellXfs = false;
    auto part = zip.Open("xl/styles.xml");
    XmlPass(
        path,
        [&](std::string_view name, const XML_Char** a) {
            if (name == "numFmt") {
                const char* id = Attribute(a, "numFmtId");
                const char* code = Attribute(a, "formatCode");
                if (id != nullptr && code != nullptr) {
                    custom[std::atoi(id)] = IsDateFormatCode(code);
                }
            } else if (name == "cellXfs") {
                inCellXfs = true;
            } else if (name == "xf" && inCellXfs) {
                const char* id = Attribute(a, "numFmtId");
                const int format = id != nullptr ? std::atoi(id) : 0;
                const auto known = custom.find(format);
                dates.push_back(known != custom.end() ? known->second : IsDateFormatId(format));
            }
        },
        [&](std::string_view name) {
            if (name == "cellXfs") {
                inCellXfs = false;
            }
        })
        .Run(*part);
    return dates;
}

std::vector<std::string> ReadSharedStrings(ZipArchive& zip, const std::string& path) {
    std::vector<std::string> strings;
    if (!zip.Has("xl/sharedStrings.xml")) {
        return strings;
    }
    std::size_t bytes = 0;
    bool inItem = false;
    bool inText = false;
    int phonetic = 0;  // <rPh> runs hold a reading aid, not the text
    std::string current;
    auto part = zip.Open("xl/sharedStrings.xml");
    XmlPass(
        path,
        [&](std::string_view name, const XML_Char**) {
            if (name == "si") {
                inItem = true;
                current.clear();
            } else if (name == "rPh") {
                ++phonetic;
            } else if (name == "t" && inItem && phonetic == 0) {
                inText = true;
            }
        },
        [&](std::string_view name) {
            if (name == "si") {
                inItem = false;
                bytes += current.size();
                if (strings.size() >= kMaxSharedStrings || bytes > kMaxExpandedBytes) {
                    throw ImportError(messages::TooLargeExpanded(path));
                }
                strings.push_back(std::move(current));
                current.clear();
            } else if (name == "rPh") {
                --phonetic;
            } else if (name == "t") {
                inText = false;
            }
        },
        [&](std::string_view text) {
            if (inText) {
                if (current.size() + text.size() > kMaxCellBytes) {
                    throw ImportError(messages::Damaged(path, "shared string too long"));
                }
                current += text;
            }
        })
        .Run(*part);
    return strings;
}

// "B12" to column 1 (from 0) and row 12; false when it is not a reference.
bool ParseReference(std::string_view ref, std::size_t& column, std::size_t& row) {
    std::size_t i = 0;
    column = 0;
    while (i < ref.size() && ref[i] >= 'A' && ref[i] <= 'Z') {
        column = column * 26 + static_cast<std::size_t>(ref[i] - 'A' + 1);
        if (column > 1u << 20) {
            return false;
        }
        ++i;
    }
    if (i == 0 || i == ref.size()) {
        return false;
    }
    row = 0;
    for (; i < ref.size(); ++i) {
        if (ref[i] < '0' || ref[i] > '9' || row > 1u << 24) {
            return false;
        }
        row = row * 10 + static_cast<std::size_t>(ref[i] - '0');
    }
    --column;
    return true;
}

struct MergedRange {
    std::size_t firstRow, firstColumn, lastRow, lastColumn;
    std::string value;  // of its first cell, once read (UTF-8)
};

// The merged ranges of the sheet. They follow the cells in the file, so
// the part is scanned for them once before its rows are read.
std::vector<MergedRange> ScanMergedRanges(ZipArchive& zip, const std::string& part) {
    std::vector<MergedRange> ranges;
    auto stream = zip.Open(part);
    std::string window;
    char buffer[1 << 16];
    constexpr std::string_view kTag = "mergeCell ";
    for (;;) {
        const std::size_t got = stream->Read(buffer, sizeof buffer);
        if (got == 0) {
            break;
        }
        window.append(buffer, got);
        std::size_t at = 0;
        for (std::size_t found = window.find(kTag); found != std::string::npos;
             found = window.find(kTag, at)) {
            const std::size_t close = window.find('>', found);
            if (close == std::string::npos) {
                break;
            }
            const std::string_view tag(window.data() + found, close - found);
            const std::size_t ref = tag.find("ref=\"");
            if (ref != std::string_view::npos) {
                const std::string_view value =
                    tag.substr(ref + 5, tag.find('"', ref + 5) - ref - 5);
                const std::size_t colon = value.find(':');
                MergedRange range{};
                if (colon != std::string_view::npos &&
                    ParseReference(value.substr(0, colon), range.firstColumn, range.firstRow) &&
                    ParseReference(value.substr(colon + 1), range.lastColumn, range.lastRow) &&
                    ranges.size() < 100000) {
                    ranges.push_back(std::move(range));
                }
            }
            at = close;
        }
        // Keep only what may start a tag cut by the chunk's end.
        const std::size_t keep = std::min<std::size_t>(window.size() - at, 256);
        window.erase(0, window.size() - keep);
    }
    return ranges;
}

// The merged ranges of the sheets read last, so that the passes over one
// file (its preview, the count, the import) inflate the sheet for them only
// once. A sheet is known by its file, its part and the size and CRC its zip
// entry declares: reading the part to its end checks that CRC, so a sheet
// whose bytes changed under the same declaration fails there as damaged.
class MergedRangeCache {
  public:
    struct Key {
        std::string path;
        std::string part;
        ZipArchive::Declared declared;
        bool operator==(const Key& other) const {
            return path == other.path && part == other.part &&
                   declared.size == other.declared.size && declared.crc == other.declared.crc;
        }
    };

    std::optional<std::vector<MergedRange>> Find(const Key& key) {
        std::lock_guard<std::mutex> lock(mutex_);
        for (const auto& [known, ranges] : entries_) {
            if (known == key) {
                return ranges;
            }
        }
        return std::nullopt;
    }

    void Keep(Key key, const std::vector<MergedRange>& ranges) {
        std::lock_guard<std::mutex> lock(mutex_);
        std::erase_if(entries_, [&key](const auto& entry) { return entry.first == key; });
        entries_.emplace_front(std::move(key), ranges);
        if (entries_.size() > kEntries) {
            entries_.pop_back();
        }
    }

  private:
    static constexpr std::size_t kEntries = 4;
    std::mutex mutex_;
    std::deque<std::pair<Key, std::vector<MergedRange>>> entries_;
};

MergedRangeCache& MergedRanges() {
    static MergedRangeCache cache;
    return cache;
}

}  // namespace

struct XlsxSheetReader::Parse {
    std::string path;
    XML_Parser parser = nullptr;
    std::vector<std::string> shared;  // UTF-8
    std::vector<bool> dateStyles;
    bool epoch1904 = false;
    std::vector<MergedRange> merged;

    std::deque<std::pair<std::size_t, std::vector<std::string>>> ready;  // UTF-8 cells
    std::vector<std::string> row;
    std::size_t width = 0;  // of the row before, room kept for the next
    std::size_t rowNumber = 0;
    std::size_t column = 0;
    enum class Type { Number, Shared, Text, Boolean, Date };
    Type cellType = Type::Number;
    int cellStyle = 0;
    bool inCell = false;
    bool inValue = false;  // <v>, or <t> of an inline string
    int phonetic = 0;
    std::string value;
    std::string error;  // set to stop the parser from inside a callback

    void Stop(std::string message) {
        if (error.empty()) {
            error = std::move(message);
        }
        XML_StopParser(parser, XML_FALSE);
    }

    static Type TypeOf(const char* t) {
        if (t == nullptr) {
            return Type::Number;
        }
        const std::string_view type(t);
        if (type == "s") {
            return Type::Shared;
        }
        if (type == "inlineStr" || type == "str" || type == "e") {
            return Type::Text;
        }
        if (type == "b") {
            return Type::Boolean;
        }
        return type == "d" ? Type::Date : Type::Number;
    }

    // Turns `value`, as the cell holds it, into the text it shows.
    void CellText() {
        switch (cellType) {
            case Type::Shared: {
                char* end = nullptr;
                const unsigned long index = std::strtoul(value.c_str(), &end, 10);
                if (index < shared.size()) {
                    value = shared[index];
                } else {
                    value.clear();
                }
                return;
            }
            case Type::Text:
                return;
            case Type::Boolean:
                value = value == "1" ? "TRUE" : "FALSE";
                return;
            case Type::Date:
                if (value.size() > 10 && value[10] == 'T') {
                    value[10] = ' ';
                }
                if (value.size() > 19) {
                    value.resize(19);
                }
                return;
            case Type::Number:
                break;
        }
        if (value.empty()) {
            return;
        }
        char* end = nullptr;
        const double number = std::strtod(value.c_str(), &end);
        if (end == value.c_str()) {
            return;
        }
        const bool date = cellStyle >= 0 &&
                          static_cast<std::size_t>(cellStyle) < dateStyles.size() &&
                          dateStyles[static_cast<std::size_t>(cellStyle)];
        value = date ? SerialDateText(number, epoch1904) : NumberText(number);
    }

    void EndCell() {
        CellText();
        std::string text = std::move(value);
        value.clear();
        for (MergedRange& range : merged) {
            if (rowNumber < range.firstRow || rowNumber > range.lastRow ||
                column < range.firstColumn || column > range.lastColumn) {
                continue;
            }
            if (rowNumber == range.firstRow && column == range.firstColumn) {
                range.value = text;
            } else if (text.empty()) {
                text = range.value;
            }
        }
        if (column >= kMaxColumns) {
            Stop(messages::TooManyColumns(rowNumber));
            return;
        }
        if (row.size() <= column) {
            row.resize(column + 1);
        }
        row[column] = std::move(text);
        ++column;
    }

    // Cells of merged ranges that the file leaves out altogether.
    void FillMergedGaps() {
        for (const MergedRange& range : merged) {
            if (rowNumber <= range.firstRow || rowNumber > range.lastRow || range.value.empty()) {
                continue;
            }
            for (std::size_t c = range.firstColumn; c <= range.lastColumn && c < kMaxColumns; ++c) {
                if (row.size() <= c) {
                    row.resize(c + 1);
                }
                if (row[c].empty()) {
                    row[c] = range.value;
                }
            }
        }
    }

    void Start(std::string_view name, const XML_Char** a) {
        if (name == "row") {
            const char* r = Attribute(a, "r");
            rowNumber = r != nullptr ? std::strtoul(r, nullptr, 10) : rowNumber + 1;
            row.clear();
            row.reserve(width);
            column = 0;
        } else if (name == "c") {
            inCell = true;
            value.clear();
            const char* t = nullptr;
            const char* s = nullptr;
            const char* r = nullptr;
            for (int i = 0; a[i] != nullptr; i += 2) {
                const std::string_view attribute = Local(a[i]);
                if (attribute == "t") {
                    t = a[i + 1];
                } else if (attribute == "s") {
                    s = a[i + 1];
                } else if (attribute == "r") {
                    r = a[i + 1];
                }
            }
            cellType = TypeOf(t);
            cellStyle = s != nullptr ? std::atoi(s) : 0;
            std::size_t refColumn = 0;
            std::size_t refRow = 0;
            if (r != nullptr && ParseReference(r, refColumn, refRow)) {
                column = refColumn;
            }
        } else if (inCell && name == "rPh") {
            ++phonetic;
        } else if (inCell && phonetic == 0 && (name == "v" || name == "t")) {
            inValue = true;
        }
    }

    void End(std::string_view name) {
        if (name == "c") {
            inCell = false;
            EndCell();
        } else if (name == "v" || name == "t") {
            inValue = false;
        } else if (name == "rPh") {
            --phonetic;
        } else if (name == "row") {
            FillMergedGaps();
            width = row.size();
            ready.emplace_back(rowNumber, std::move(row));
            row.clear();
        }
    }

    void Text(std::string_view text) {
        if (!inValue) {
            return;
        }
        if (value.size() + text.size() > kMaxCellBytes) {
            Stop(messages::CellTooLarge(rowNumber));
            return;
        }
        value += text;
    }
};

// Inflating takes about a fifth of the time of parsing what it gives: a
// thread of its own inflates the sheet a few chunks ahead of expat, so that
// the parsing, the slowest step of an import, waits for neither. Only this
// thread reads the part (and charges the archive's bound) until it ends.
class XlsxSheetReader::Inflater {
  public:
    explicit Inflater(std::unique_ptr<ZipArchive::Part> part)
        : part_(std::move(part)), pipe_(kChunksWaiting), thread_([this] { Run(); }) {}
    ~Inflater() {
        pipe_.Stop();
        thread_.join();
    }
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;

    // The next chunk; false at the end. Throws what reading the part threw,
    // after every chunk read before it.
    bool Next(std::string& chunk) {
        if (pipe_.Take(chunk)) {
            return true;
        }
        if (const std::exception_ptr error = pipe_.Error()) {
            std::rethrow_exception(error);
        }
        return false;
    }
    double Progress() const { return progress_.load(std::memory_order_relaxed); }

  private:
    static constexpr std::size_t kChunk = 1 << 16;
    static constexpr std::size_t kChunksWaiting = 4;

    void Run() {
        try {
            for (;;) {
                std::string chunk(kChunk, '\0');
                const std::size_t got = part_->Read(chunk.data(), chunk.size());
                if (got == 0) {
                    break;
                }
                chunk.resize(got);
                progress_.store(part_->Progress(), std::memory_order_relaxed);
                if (!pipe_.Put(std::move(chunk))) {
                    return;  // the reader has gone
                }
            }
            pipe_.Close(nullptr);
        } catch (...) {
            pipe_.Close(std::current_exception());
        }
    }

    std::unique_ptr<ZipArchive::Part> part_;
    std::atomic<double> progress_{0.0};
    BatchPipe<std::string> pipe_;
    std::thread thread_;  // last: it starts once the rest is made
};

XlsxSheetReader::XlsxSheetReader(const std::string& path, std::size_t sheet)
    : zip_(std::make_unique<ZipArchive>(path, kMaxExpandedBytes)),
      parse_(std::make_unique<Parse>()) {
    const Workbook book = ReadWorkbook(*zip_, path);
    if (sheet >= book.sheets.size()) {
        throw ImportError(messages::Damaged(path, "no such sheet"));
    }
    parse_->path = path;
    parse_->epoch1904 = book.epoch1904;
    parse_->dateStyles = ReadDateStyles(*zip_, path);
    parse_->shared = ReadSharedStrings(*zip_, path);
    const std::string& part = book.sheets[sheet].part;
    // The scan reads the part charged against the bound on expanded bytes,
    // the rows read it again uncharged; without a scan, the rows are charged.
    bool scanned = false;
    const std::optional<ZipArchive::Declared> declared = zip_->Declare(part);
    std::optional<std::vector<MergedRange>> known;
    if (declared) {
        known = MergedRanges().Find({path, part, *declared});
    }
    if (known) {
        parse_->merged = std::move(*known);
    } else {
        parse_->merged = ScanMergedRanges(*zip_, part);
        scanned = true;
        if (declared) {
            MergedRanges().Keep({path, part, *declared}, parse_->merged);
        }
    }
    sheet_ = std::make_unique<Inflater>(zip_->Open(part, !scanned));

    XML_Parser parser = XML_ParserCreate("UTF-8");
    parse_->parser = parser;
    XML_SetUserData(parser, parse_.get());
    XML_SetElementHandler(
        parser,
        [](void* self, const XML_Char* name, const XML_Char** attributes) {
            static_cast<Parse*>(self)->Start(Local(name), attributes);
        },
        [](void* self, const XML_Char* name) { static_cast<Parse*>(self)->End(Local(name)); });
    XML_SetCharacterDataHandler(parser, [](void* self, const XML_Char* s, int length) {
        static_cast<Parse*>(self)->Text(std::string_view(s, static_cast<std::size_t>(length)));
    });
}

XlsxSheetReader::~XlsxSheetReader() {
    if (parse_ && parse_->parser != nullptr) {
        XML_ParserFree(parse_->parser);
    }
}

std::vector<std::string> XlsxSheetReader::SheetNames(const std::string& path) {
    ZipArchive zip(path, kMaxExpandedBytes);
    std::vector<std::string> names;
    for (const SheetEntry& sheet : ReadWorkbook(zip, path).sheets) {
        names.push_back(text::Utf8ToGbk(sheet.name));
    }
    return names;
}

bool XlsxSheetReader::NextRow(std::vector<std::string>& cells) {
    Parse& p = *parse_;
    std::string chunk;
    while (p.ready.empty() && sheet_) {
        const bool more = sheet_->Next(chunk);
        if (XML_Parse(p.parser, chunk.data(), static_cast<int>(more ? chunk.size() : 0), !more) ==
            XML_STATUS_ERROR) {
            if (!p.error.empty()) {
                throw ImportError(p.error);
            }
            throw ImportError(
                messages::Damaged(p.path, XML_ErrorString(XML_GetErrorCode(p.parser))));
        }
        if (!more) {
            sheet_.reset();
        }
    }
    if (p.ready.empty()) {
        return false;
    }
    rowNumber_ = p.ready.front().first;
    cells.clear();
    cells.reserve(p.ready.front().second.size());
    for (std::string& utf8 : p.ready.front().second) {
        // ASCII is the same in GBK: most cells are kept as they are.
        if (IsPlainAscii(utf8)) {
            const std::size_t end = utf8.find_last_not_of(" \t\r\n");
            utf8.erase(end == std::string::npos ? 0 : end + 1);
            utf8.erase(0, utf8.find_first_not_of(" \t\r\n"));
            cells.push_back(std::move(utf8));
        } else {
            std::size_t replaced = 0;
            cells.push_back(TrimmedGbk(text::Utf8ToGbk(utf8, &replaced)));
            replaced_ += replaced;
        }
    }
    p.ready.pop_front();
    return true;
}

double XlsxSheetReader::Progress() const {
    return sheet_ ? sheet_->Progress() : 1.0;
}

}  // namespace vantrel::import
