#pragma once
// The preview of an import: the file's first rows, the column of table ip
// each of its columns goes to (a combo box per column), what the import
// would do (new PCs, updated PCs, rows without change, problem rows with
// their row number and reason), the choice between updating existing
// rows and adding new ones only, and the buttons 导入 and 取消. The file
// is read on a worker thread, first the preview rows and then the count
// of all rows, with a progress bar; 导入 writes on that thread too, in one
// transaction. 取消 stops whatever runs, and nothing is written.

#include <QDialog>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ImportRun.h"
#include "QtTask.h"

class QButtonGroup;
class QComboBox;
class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTableWidget;

namespace vantrel::store {
class InventoryDatabase;
}

namespace vantrel::app {

class Dialogs;

class ImportPreviewDialog : public QDialog {
    Q_OBJECT
  public:
    // `path` in the file system's encoding. Reading starts at once.
    ImportPreviewDialog(QWidget* parent, std::string path, store::InventoryDatabase& connection,
                        Dialogs& dialogs);
    // Stops the worker and waits for it: it never outlives the dialog.
    ~ImportPreviewDialog() override;

    // What the import did, once the dialog was accepted.
    const import::ImportCounts& Result() const { return result_; }
    // For tests: the mapping box of a file column, and whether a pass runs.
    QComboBox* MappingBox(std::size_t column) const;
    bool Busy() const { return busy_; }

  public slots:
    void reject() override;

  private:
    enum class Pass { Preview, Count, Write };

    // What a pass gives: the preview rows, or the counts of all rows.
    struct PassResult {
        std::optional<import::SheetPreview> preview;
        std::optional<import::ImportCounts> counts;
    };
    struct ReadProgress {
        std::size_t rows = 0;
        double fraction = 0;
    };
    using Worker = QtTask<PassResult, ReadProgress>;

    void Start(Pass pass);
    void Stop();
    // Runs on the worker.
    PassResult Work(Pass pass, std::size_t sheet, const import::ColumnMapping& mapping, bool update,
                    const Worker::Control& control);
    // Back on the window's thread: shows what the pass gave, or why it failed.
    void Finished(system::TaskOutcome<PassResult>& outcome);
    void ShowPreview(const import::SheetPreview& preview);
    void ShowCounts(const import::ImportCounts& counts);
    void ShowProgress(std::size_t rows, double fraction);
    void Failed(const std::string& message);
    import::ColumnMapping Mapping() const;
    void UpdateButtons();

    std::string path_;
    store::InventoryDatabase& connection_;
    Dialogs& dialogs_;
    import::SheetPreview preview_;
    bool previewShown_ = false;
    Pass running_ = Pass::Preview;
    import::ImportCounts result_;

    bool busy_ = false;  // a pass runs; cleared by its outcome

    QLabel* sheetLabel_;
    QComboBox* sheetBox_;
    QTableWidget* table_;
    std::vector<QComboBox*> mappingBoxes_;
    QLabel* counts_;
    QListWidget* problems_;
    QRadioButton* update_;
    QRadioButton* onlyAdd_;
    QProgressBar* progress_;
    QPushButton* importButton_;
    QPushButton* cancelButton_;

    Worker worker_;  // last: joined before the rest goes
};

}  // namespace vantrel::app
