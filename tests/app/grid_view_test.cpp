// GridTableModel and GridView over real grids: the model contract, editing, the grid's sizes
// and colours, copy and paste through the grid, Enter to the next row.
#include "grid_view.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QSignalSpy>
#include <QStyleOptionViewItem>
#include <QtTest>

#include "grid/clipboard.h"
#include "grid/grid.h"
#include "grid_table_model.h"
#include "import/import.h"
#include "support/memory_clipboard.h"

namespace parvex {
namespace {

std::string Cell(const Grid& grid, int row, int col) { return grid.GetCellText(row, col).value_or("<none>"); }

// A grid holding `text` as the import leaves it.
void Import(Grid& grid, const std::string& text, const std::string& width = "40") {
  Settings settings;
  settings.column_width = width;
  QVERIFY(ImportText(grid, settings, text).status.ok());
}

class GridViewTest : public QObject {
  Q_OBJECT

 private slots:
  void modelPassesTesterThroughResetsAndEdits() {
    Grid grid;
    GridTableModel model(&grid);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QCOMPARE(model.rowCount(), 1);
    QCOMPARE(model.columnCount(), 1);
    Import(grid, "a\tb\tc\r\nd\te\tf\r\n");
    model.Reload();
    QCOMPARE(model.rowCount(), 2);
    QCOMPARE(model.columnCount(), 3);
    QVERIFY(model.setData(model.index(1, 2), QStringLiteral("新")));
    Import(grid, "");
    model.Reload();
    QCOMPARE(model.rowCount(), 1);
    QCOMPARE(model.columnCount(), 1);
    QCOMPARE(model.rowCount(model.index(0, 0)), 0);  // a table: no children
  }

  void modelDecodesAndWritesUtf8() {
    Grid grid;
    Import(grid, "学号\t姓名\r\n1\t王芳\r\n");
    GridTableModel model(&grid);
    QCOMPARE(model.data(model.index(0, 1), Qt::DisplayRole).toString(), QStringLiteral("姓名"));
    QCOMPARE(model.data(model.index(1, 1), Qt::EditRole).toString(), QStringLiteral("王芳"));
    QVERIFY(!model.data(model.index(1, 1), Qt::ToolTipRole).isValid());

    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    QVERIFY(model.setData(model.index(1, 0), QStringLiteral("李伟 2")));
    QCOMPARE(Cell(grid, 1, 0), std::string("李伟 2"));  // the bytes go into the grid as UTF-8
    QCOMPARE(changed.count(), 1);
    QVERIFY(!model.setData(model.index(1, 0), QStringLiteral("x"), Qt::DisplayRole));
    QVERIFY(!model.setData(QModelIndex(), QStringLiteral("x")));
  }

  void modelFollowsIsEdit() {
    Grid grid;
    GridTableModel model(&grid);
    QVERIFY(model.flags(model.index(0, 0)).testFlag(Qt::ItemIsEditable));
    QVERIFY(model.flags(model.index(0, 0)).testFlag(Qt::ItemIsSelectable));
    grid.SetIsEdit(false);
    QVERIFY(!model.flags(model.index(0, 0)).testFlag(Qt::ItemIsEditable));
    QVERIFY(!model.setData(model.index(0, 0), QStringLiteral("x")));
    QCOMPARE(Cell(grid, 0, 0), std::string());
  }

  void cellsChangedIsOneSignalOverTheGrid() {
    Grid grid;
    Import(grid, "a\tb\r\nc\td\r\ne\tf\r\n");
    GridTableModel model(&grid);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
    model.CellsChanged();
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.first().at(0).toModelIndex(), model.index(0, 0));
    QCOMPARE(changed.first().at(1).toModelIndex(), model.index(2, 1));
    model.Reload();
    QCOMPARE(reset.count(), 1);
  }

  void viewTakesSizesAndColoursFromGrid() {
    Grid grid;
    test_support::MemoryClipboard clipboard;
    GridView view(&grid, &clipboard);
    QCOMPARE(view.columnWidth(0), 50);  // design ColWidth
    QCOMPARE(view.rowHeight(0), 24);
    Import(grid, "a\tb\tc\r\n1\t2\t3\r\n", "0");  // no width applied
    view.grid_model()->Reload();
    QCOMPARE(view.columnWidth(0), *grid.GetColumnWidth(0));
    QCOMPARE(view.columnWidth(2), *grid.GetColumnWidth(2));
    Import(grid, "a\tb\tc\r\n", "77");
    view.grid_model()->Reload();
    for (int c = 0; c < 3; ++c) QCOMPARE(view.columnWidth(c), 77);
    QVERIFY(grid.SetColumnWidth(1, 5));
    view.grid_model()->Reload();
    QCOMPARE(view.columnWidth(1), 5);

    QStyleOptionViewItem option;
    option.initFrom(&view);
    const int line = view.style()->styleHint(QStyle::SH_Table_GridLineColor, &option, &view);
    QCOMPARE(QColor::fromRgba(static_cast<QRgb>(line)), QColor(192, 192, 192));
    QCOMPARE(view.palette().color(QPalette::Highlight), QColor(49, 106, 197));
    QCOMPARE(view.selectionMode(), QAbstractItemView::ContiguousSelection);
    QVERIFY(!view.tabKeyNavigation());
    QVERIFY(view.showGrid());
  }

  void copyGoesThroughGridSelection() {
    Grid grid;
    Import(grid, "a\tb\tc\r\nd\te\tf\r\ng\th\ti\r\n");
    test_support::MemoryClipboard clipboard;
    GridView view(&grid, &clipboard);
    view.resize(300, 200);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    view.selectionModel()->select(QItemSelection(view.model()->index(1, 1), view.model()->index(2, 2)),
                                  QItemSelectionModel::ClearAndSelect);
    QTest::keyClick(&view, Qt::Key_C, Qt::ControlModifier);
    QVERIFY(clipboard.text().has_value());
    QCOMPARE(*clipboard.text(), std::string("e\tf\nh\ti"));
    QCOMPARE(grid.Selection(), std::optional<CellRect>(CellRect{1, 1, 2, 2}));

    view.selectionModel()->clearSelection();
    view.setCurrentIndex(view.model()->index(0, 2));
    view.selectionModel()->clearSelection();
    QTest::keyClick(&view, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(*clipboard.text(), std::string("c"));  // nothing selected: the current cell
  }

  void pasteStartsAtCurrentCellAndNeverGrows() {
    Grid grid;
    Import(grid, "a\tb\tc\r\nd\te\tf\r\n");
    test_support::MemoryClipboard clipboard(std::string("X\tY\tZ\r\nV\tW\r\n"));
    GridView view(&grid, &clipboard);
    view.resize(300, 200);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    view.setCurrentIndex(view.model()->index(0, 1));
    QSignalSpy changed(view.model(), &QAbstractItemModel::dataChanged);
    QTest::keyClick(&view, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(Cell(grid, 0, 0), std::string("a"));
    QCOMPARE(Cell(grid, 0, 1), std::string("X"));
    QCOMPARE(Cell(grid, 0, 2), std::string("Y"));  // Z falls outside and is dropped
    QCOMPARE(Cell(grid, 1, 1), std::string("V"));
    QCOMPARE(Cell(grid, 1, 2), std::string("W"));
    QCOMPARE(grid.RowCount(), 2);
    QCOMPARE(grid.ColCount(), 3);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(view.model()->data(view.model()->index(1, 2)).toString(), QStringLiteral("W"));

    grid.SetIsEdit(false);
    clipboard.set_text(std::string("Q"));
    QTest::keyClick(&view, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(Cell(grid, 0, 1), std::string("X"));  // a read-only grid takes no paste
  }

  void enterMovesToNextRowAfterEdit() {
    Grid grid;
    Import(grid, "a\tb\r\nc\td\r\ne\tf\r\n");
    test_support::MemoryClipboard clipboard;
    GridView view(&grid, &clipboard);
    view.resize(300, 200);
    view.show();
    view.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&view));
    view.setFocus();
    view.setCurrentIndex(view.model()->index(0, 1));
    QTest::keyClick(&view, Qt::Key_Return);
    QCOMPARE(view.currentIndex(), view.model()->index(1, 1));

    QTest::keyClick(&view, Qt::Key_Z);  // any key starts editing
    auto* editor = view.viewport()->findChild<QLineEdit*>();
    QVERIFY(editor != nullptr);
    QTest::keyClicks(editor, QStringLiteral("9"));
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_COMPARE(view.currentIndex(), view.model()->index(2, 1));
    QCOMPARE(Cell(grid, 1, 1), std::string("z9"));

    QTest::keyClick(&view, Qt::Key_Return);  // on the last row: stays
    QCOMPARE(view.currentIndex(), view.model()->index(2, 1));
  }

  // A million rows must not cost a pass over the rows on reload: one uniform height.
  void millionRowsReloadWithUniformHeight() {
    Grid grid;
    std::string text;
    text.reserve(8 * 1000000);
    for (int i = 0; i < 1000000; ++i) text += "r\t" + std::to_string(i % 10) + "\r\n";
    Import(grid, text);
    test_support::MemoryClipboard clipboard;
    GridView view(&grid, &clipboard);
    QCOMPARE(view.model()->rowCount(), 1000000);
    QCOMPARE(view.verticalHeader()->defaultSectionSize(), 24);
    QCOMPARE(view.rowHeight(999999), 24);
    QCOMPARE(view.model()->data(view.model()->index(999999, 1)).toString(), QStringLiteral("9"));
  }
};

}  // namespace
}  // namespace parvex

QTEST_MAIN(parvex::GridViewTest)
#include "grid_view_test.moc"
