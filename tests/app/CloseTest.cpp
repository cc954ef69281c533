// Closing the window ends promptly, also after an accessibility client has
// read every cell of a large grid.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QElapsedTimer>
#include <QTableView>

#include "WindowFixture.h"

namespace vantrel::app::test {
namespace {

class CloseTest : public WindowFixture {};

TEST_F(CloseTest, ClosesPromptlyAfterAScreenReaderReadEveryCell) {
    std::string rows =
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 2000) "
        "INSERT INTO ip (bm, username, mac) SELECT 'd' || i, 'u' || i, 'm' || i FROM n;";
    MakeDatabase(rows);
    MainWindow& form = Open();
    form.show();
    QAccessible::setActive(true);
    QAccessibleInterface* grid = QAccessible::queryAccessibleInterface(Grid(form));
    ASSERT_NE(grid, nullptr);
    ASSERT_NE(grid->tableInterface(), nullptr);
    QAccessibleTableInterface* table = grid->tableInterface();
    int cells = 0;
    for (int r = 0; r < table->rowCount(); ++r) {
        for (int c = 0; c < table->columnCount(); ++c) {
            QAccessibleInterface* cell = table->cellAt(r, c);
            if (cell != nullptr && !cell->text(QAccessible::Name).isNull()) {
                ++cells;
            }
        }
    }
    EXPECT_EQ(cells, 2000 * 17);

    QElapsedTimer timer;
    timer.start();
    program.reset();
    QAccessible::setActive(false);
    EXPECT_LT(timer.elapsed(), 1000);
}

}  // namespace
}  // namespace vantrel::app::test
