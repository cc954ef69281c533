#pragma once
// The lines of the tab 软件: the counted catalog, filtered by a text that
// matches name or publisher and, unless every package is asked for, to
// applications. 授权数 is editable; the edit is handed to a callback that
// writes the licence, and a line short of licences is drawn in red.

#include <QAbstractTableModel>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "SoftwareCatalog.h"

namespace vantrel::app {

class SoftwareTabModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    enum Column { kName, kPublisher, kVersions, kPcs, kSeats, kShortfall, kColumns };
    // Writes the seats (nullopt: no licence) for a line; throws on failure.
    using SeatsWriter =
        std::function<void(const store::CatalogLine& line, std::optional<std::int64_t> seats)>;

    explicit SoftwareTabModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}

    void SetCatalog(store::SoftwareCatalog catalog);
    // The licences changed: their lines counted again, the rest kept.
    void SetLicences(std::vector<store::Licence> licences);
    // Text (GBK) matched against name and publisher, ASCII case ignored.
    void SetFilter(std::string text, bool allPackages);
    void SetSeatsWriter(SeatsWriter writer) { writeSeats_ = std::move(writer); }

    const store::SoftwareCatalog& Catalog() const { return catalog_; }
    const store::CatalogLine& LineAt(int row) const { return catalog_.lines[shown_[row]]; }
    // The lines shown, as texts (GBK) with the titles first, for the export.
    std::vector<std::vector<std::string>> ShownTexts() const;
    // Lines with a shortfall among all counted (not only those shown).
    std::size_t ShortLines() const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    static std::string Title(int column);
    static std::string CellText(const store::CatalogLine& line, int column);

  private:
    void Refilter();

    store::SoftwareCatalog catalog_;
    std::vector<std::size_t> shown_;
    std::string filter_;
    bool allPackages_ = false;
    SeatsWriter writeSeats_;
};

}  // namespace vantrel::app
