#pragma once
// The two export buttons of the window: the inventory grid to a file of the
// type chosen in the dialog (SaveInventory), and the online list to a
// spreadsheet file (SaveOnlineList). Everything below the dialog is in
// export/ and runs without Qt.

#include <string>

#include "Dialogs.h"

namespace vantrel::scan {
class OnlineList;
}
namespace vantrel::store {
class InventoryDataset;
}

namespace vantrel::app {

class InventoryGrid;
class InventoryModel;

// The save dialog's file types: five for the inventory, two for the online list.
extern const std::string& kInventoryExportFilter;
extern const std::string& kOnlineListExportFilter;
// What the box says after an export.
extern const std::string& kExportDone;
extern const std::string& kExportFailed;

// Asks for a file and a type, writes the inventory grid with its dataset into it and
// says whether that worked; a cancelled dialog or an unknown type does
// nothing. The grid's current record and visible rows come back afterwards.
void SaveInventory(Dialogs& dialogs, InventoryGrid& grid, InventoryModel& model,
                   store::InventoryDataset& query);

// Copies rows 0 to row count - 2 of the online list, asks for a file in
// `dialog` (which keeps the last name and type) and writes it as .xlsx or
// .xls. Errors reach the caller (the error box); a cancelled dialog writes
// nothing.
void SaveOnlineList(Dialogs& dialogs, const scan::OnlineList& list, SaveDialogRequest& dialog);

}  // namespace vantrel::app
