#include "SoftwareTabModel.h"

#include <QBrush>
#include <QColor>

#include "Gbk.h"
#include "GbkLiteral.h"
#include "GbkText.h"

namespace vantrel::app {

namespace {

// Versions a cell lists before it says how many more there are.
constexpr std::size_t kVersionsShown = 4;

}  // namespace

void SoftwareTabModel::SetCatalog(store::SoftwareCatalog catalog) {
    beginResetModel();
    catalog_ = std::move(catalog);
    Refilter();
    endResetModel();
}

void SoftwareTabModel::SetLicences(std::vector<store::Licence> licences) {
    catalog_.licences = std::move(licences);
    store::ApplyLicences(catalog_);
    if (!shown_.empty()) {
        emit dataChanged(index(0, kSeats), index(rowCount() - 1, kShortfall));
    }
}

void SoftwareTabModel::SetFilter(std::string text, bool allPackages) {
    beginResetModel();
    filter_ = std::move(text);
    allPackages_ = allPackages;
    Refilter();
    endResetModel();
}

void SoftwareTabModel::Refilter() {
    shown_.clear();
    const std::string_view filter = text::TrimBlanks(filter_);
    for (std::size_t i = 0; i < catalog_.lines.size(); ++i) {
        const store::CatalogLine& line = catalog_.lines[i];
        if (!allPackages_ && !line.app) {
            continue;
        }
        if (!filter.empty() && !text::ContainsIgnoringCase(line.name, filter) &&
            !text::ContainsIgnoringCase(line.publisher, filter)) {
            continue;
        }
        shown_.push_back(i);
    }
}

std::size_t SoftwareTabModel::ShortLines() const {
    std::size_t count = 0;
    for (const store::CatalogLine& line : catalog_.lines) {
        count += line.Shortfall() > 0 ? 1 : 0;
    }
    return count;
}

std::string SoftwareTabModel::Title(int column) {
    static const std::string* const titles[kColumns] = {&u8"名称"_gbk,   &u8"发行商"_gbk,
                                                        &u8"版本"_gbk,   &u8"电脑数"_gbk,
                                                        &u8"授权数"_gbk, &u8"缺口"_gbk};
    return column >= 0 && column < kColumns ? *titles[column] : std::string();
}

std::string SoftwareTabModel::CellText(const store::CatalogLine& line, int column) {
    switch (column) {
        case kName:
            return line.name;
        case kPublisher:
            return line.publisher;
        case kVersions: {
            std::string text;
            for (std::size_t i = 0; i < line.versions.size() && i < kVersionsShown; ++i) {
                text += (i == 0 ? "" : ", ") + line.versions[i];
            }
            if (line.versions.size() > kVersionsShown) {
                text += u8" 等 "_gbk + std::to_string(line.versions.size()) + u8" 个"_gbk;
            }
            return text;
        }
        case kPcs:
            return std::to_string(line.pcs);
        case kSeats:
            if (!line.licence) {
                return {};
            }
            return text::FindSingleByte(line.licence->pattern, '*') == std::string::npos
                       ? std::to_string(line.licence->seats)
                       : std::to_string(line.licence->seats) + " (" + line.licence->pattern + ")";
        case kShortfall:
            return line.Shortfall() > 0 ? std::to_string(line.Shortfall()) : std::string();
        default:
            return {};
    }
}

std::vector<std::vector<std::string>> SoftwareTabModel::ShownTexts() const {
    std::vector<std::vector<std::string>> rows;
    rows.reserve(shown_.size() + 1);
    std::vector<std::string> titles;
    for (int c = 0; c < kColumns; ++c) {
        titles.push_back(Title(c));
    }
    rows.push_back(std::move(titles));
    for (std::size_t i : shown_) {
        std::vector<std::string> cells;
        const store::CatalogLine& line = catalog_.lines[i];
        for (int c = 0; c < kColumns; ++c) {
            // The export lists every version and the seats alone.
            if (c == kVersions) {
                std::string all;
                for (const std::string& version : line.versions) {
                    all += (all.empty() ? "" : ", ") + version;
                }
                cells.push_back(std::move(all));
            } else if (c == kSeats) {
                cells.push_back(line.licence ? std::to_string(line.licence->seats) : "");
            } else {
                cells.push_back(CellText(line, c));
            }
        }
        rows.push_back(std::move(cells));
    }
    return rows;
}

int SoftwareTabModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(shown_.size());
}

int SoftwareTabModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumns;
}

QVariant SoftwareTabModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    const store::CatalogLine& line = LineAt(index.row());
    switch (role) {
        case Qt::DisplayRole:
            return FromGbk(CellText(line, index.column()));
        case Qt::EditRole:
            return line.licence ? QVariant(QString::number(line.licence->seats))
                                : QVariant(QString());
        case Qt::ToolTipRole:
            if (index.column() == kVersions && line.versions.size() > kVersionsShown) {
                std::string all;
                for (const std::string& version : line.versions) {
                    all += (all.empty() ? "" : "\n") + version;
                }
                return FromGbk(all);
            }
            if (index.column() == kSeats && line.licence) {
                return FromGbk(u8"授权："_gbk + line.licence->pattern + u8"，覆盖 "_gbk +
                               std::to_string(line.licensedPcs) + u8" 台电脑"_gbk);
            }
            return {};
        case Qt::ForegroundRole:
            return line.Shortfall() > 0 ? QVariant(QBrush(QColor(0xC0, 0x00, 0x00))) : QVariant();
        case Qt::TextAlignmentRole:
            return index.column() >= kPcs ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                                          : QVariant();
        default:
            return {};
    }
}

QVariant SoftwareTabModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole) {
        return FromGbk(Title(section));
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags SoftwareTabModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    if (index.isValid() && index.column() == kSeats) {
        flags |= Qt::ItemIsEditable;
    }
    return flags;
}

bool SoftwareTabModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !index.isValid() || index.column() != kSeats || !writeSeats_) {
        return false;
    }
    const QString text = value.toString().trimmed();
    std::optional<std::int64_t> seats;
    if (!text.isEmpty()) {
        bool number = false;
        const qlonglong parsed = text.toLongLong(&number);
        if (!number || parsed < 0) {
            return false;
        }
        seats = parsed;
    }
    writeSeats_(LineAt(index.row()), seats);
    return true;
}

}  // namespace vantrel::app
