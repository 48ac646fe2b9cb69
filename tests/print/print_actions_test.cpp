// The window's print outputs through its real controls: the result grid's context menu, the
// shortcuts, auto rows per page against a typed value, and the files they write.
#include "print_actions.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>
#include <cstdio>
#include <filesystem>
#include <string>

#include "grid/clipboard.h"
#include "grid_view.h"
#include "main_window.h"
#include "page_setup_dialog.h"
#include "port/command_output.h"
#include "print_preview.h"
#include "support/memory_clipboard.h"

namespace parvex {
namespace {

// The output of `command` with `file`, quoted for its shell, in place of %1.
std::string Output(const char* command, const QString& file) {
  const std::string quoted = port::ShellPath(std::filesystem::path(file.toStdU16String()));
  return port::CommandOutput(QString::fromUtf8(command).arg(QString::fromStdString(quoted)).toStdString());
}

int PdfPages(const QString& pdf) {
  const std::string info = Output("pdfinfo %1 2>/dev/null", pdf);
  const size_t at = info.find("Pages:");
  return at == std::string::npos ? -1 : std::stoi(info.substr(at + 6));
}

// A title and `n` numbered rows, as a spreadsheet copies one column.
std::string Numbers(int n) {
  std::string text = "No\r\n";
  for (int i = 1; i <= n; ++i) text += std::to_string(i) + "\r\n";
  return text;
}

}  // namespace

class PrintActionsTest : public QObject {
  Q_OBJECT

 private:
  // Imports the text and lays it out with the window's own buttons.
  void LayOut(MainWindow& window, test_support::MemoryClipboard& clipboard, const std::string& text) {
    clipboard.WriteText(text);
    QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("按钮_导入数据")), Qt::LeftButton);
    QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("按钮_数据预处理")), Qt::LeftButton);
  }
  // True when `number` is the largest of the numbers printed on page `page` of `pdf`.
  static bool LastOnPage(const QString& pdf, int page, int number) {
    const std::string pages = "pdftotext -f " + std::to_string(page) + " -l " + std::to_string(page) + " %1 -";
    const std::string text = Output(pages.c_str(), pdf);
    int largest = 0;
    const QRegularExpression numbers(QStringLiteral("\\b(\\d+)\\b"));
    for (const QRegularExpressionMatch& m : numbers.globalMatch(QString::fromStdString(text))) {
      largest = std::max(largest, m.captured(1).toInt());
    }
    return largest == number;
  }
  QLineEdit* RowsBox(MainWindow& window) {
    return window.findChild<QLineEdit*>(QStringLiteral("编辑框_excel每页打印行数"));
  }

 private slots:
  void ContextMenuAndShortcuts() {
    test_support::MemoryClipboard clipboard;
    MainWindow window(&clipboard);
    PrintActions* actions = window.print_actions();
    QMenu* menu = actions->CreateContextMenu(&window);
    QStringList texts;
    for (QAction* action : menu->actions()) {
      if (!action->isSeparator()) texts << action->text();
    }
    QCOMPARE(texts, (QStringList{QStringLiteral("打印预览…"), QStringLiteral("导出PDF…"),
                                 QStringLiteral("保存为Excel文件…"), QStringLiteral("页面设置…")}));
    QCOMPARE(actions->preview_action()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_P));
    QCOMPARE(actions->xlsx_action()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_S));
    QCOMPARE(window.findChild<QTableView*>(QStringLiteral("高级表格_中间结果"))->contextMenuPolicy(),
             Qt::CustomContextMenu);
    // The empty result grid names the menu and its shortcuts until something is laid out.
    auto* result = window.findChild<GridView*>(QStringLiteral("高级表格_中间结果"));
    QVERIFY(result->placeholder().contains(QStringLiteral("右键菜单：打印预览（Ctrl+P）")));
    QVERIFY(result->placeholder().contains(QStringLiteral("保存为Excel文件（Ctrl+S）")));
    window.SetShowMessage([](const Message&) {});
    LayOut(window, clipboard, Numbers(3));
    QVERIFY(result->placeholder().isEmpty());
    delete menu;
  }

  void NothingLaidOutIsSaidAndWritesNothing() {
    test_support::MemoryClipboard clipboard;
    MainWindow window(&clipboard);
    QList<Message> messages;
    window.SetShowMessage([&](const Message& m) { messages << m; });
    int chosen = 0;
    window.print_actions()->SetChooseFile([&](const QString&, const QString&) {
      ++chosen;
      return QString();
    });
    window.print_actions()->ExportPdf();
    window.print_actions()->ExportXlsx();
    QCOMPARE(chosen, 0);
    QCOMPARE(messages.size(), 2);
    QVERIFY(messages[0].text.contains(QStringLiteral("数据预处理")));
  }

  void AutoRowsUntilTheUserTypesSome() {
    QTemporaryDir dir;
    test_support::MemoryClipboard clipboard;
    MainWindow window(&clipboard);
    window.show();
    QList<Message> messages;
    window.SetShowMessage([&](const Message& m) { messages << m; });
    QString target;
    window.print_actions()->SetChooseFile([&](const QString&, const QString&) { return target; });
    LayOut(window, clipboard, Numbers(100));
    QCOMPARE(window.result_grid().RowCount(), 1 + 46 + 8);  // the box's 46

    // A4, 10 pt type: 40 rows fit; 100 rows in two groups make two pages.
    target = dir.filePath(QStringLiteral("auto"));  // the suffix is added
    // The pages are laid out apart: the grid, its box and the clipboard keep the layout shown.
    const std::optional<std::string> copied = clipboard.ReadText();
    window.print_actions()->ExportPdf();
    QCOMPARE(PdfPages(target + QStringLiteral(".pdf")), 2);
    QVERIFY(LastOnPage(target + QStringLiteral(".pdf"), 1, 80));
    QCOMPARE(RowsBox(window)->text(), QStringLiteral("46"));
    QCOMPARE(window.result_grid().RowCount(), 1 + 46 + 8);
    QCOMPARE(clipboard.ReadText(), copied);

    // Landscape: 26 rows.
    window.print_actions()->SetPageSetup({.orientation = Orientation::kLandscape});
    target = dir.filePath(QStringLiteral("landscape.pdf"));
    window.print_actions()->pdf_action()->trigger();
    QCOMPARE(PdfPages(target), 2);
    QVERIFY(LastOnPage(target, 1, 52));

    // A typed value wins.
    RowsBox(window)->clear();
    QTest::keyClicks(RowsBox(window), QStringLiteral("10"));
    QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("按钮_数据再处理")), Qt::LeftButton);
    target = dir.filePath(QStringLiteral("typed.pdf"));
    window.print_actions()->ExportPdf();
    QCOMPARE(PdfPages(target), 5);
    QCOMPARE(RowsBox(window)->text(), QStringLiteral("10"));

    target = dir.filePath(QStringLiteral("typed.xlsx"));
    QTest::keyClick(&window, Qt::Key_S, Qt::ControlModifier);
    const std::string sheet =
        Output("unzip -p %1 xl/worksheets/sheet1.xml", target);
    QVERIFY(sheet.find("<rowBreaks count=\"4\"") != std::string::npos);
    for (const Message& m : messages) QCOMPARE(m.icon, QMessageBox::Information);  // closing messages only
  }

  // The clipboard refusing the text does not undo the layout: the outputs print what the result
  // grid holds, not the layout before it.
  void LayoutWhoseExportFailedIsWhatPrints() {
    QTemporaryDir dir;
    test_support::MemoryClipboard clipboard;
    MainWindow window(&clipboard);
    window.show();
    QList<Message> messages;
    window.SetShowMessage([&](const Message& m) { messages << m; });
    RowsBox(window)->clear();
    QTest::keyClicks(RowsBox(window), QStringLiteral("10"));
    LayOut(window, clipboard, Numbers(100));
    QCOMPARE(window.result_grid().RowCount(), 1 + 10 * 5);

    auto* groups = window.findChild<QLineEdit*>(QStringLiteral("编辑框_分栏数"));
    groups->clear();
    QTest::keyClicks(groups, QStringLiteral("5"));
    clipboard.set_writable(false);
    QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("按钮_数据再处理")), Qt::LeftButton);
    QCOMPARE(messages.size(), 2);  // the closing message, then the clipboard failure
    QCOMPARE(messages.back().icon, QMessageBox::Warning);
    QCOMPARE(window.result_grid().ColCount(), 9);

    const QString target = dir.filePath(QStringLiteral("five.pdf"));
    window.print_actions()->SetChooseFile([&](const QString&, const QString&) { return target; });
    window.print_actions()->ExportPdf();
    QCOMPARE(messages.size(), 2);  // nothing more: the export succeeded
    QCOMPARE(PdfPages(target), 2);  // 100 rows in five groups of 10
    // Every group is printed: read as the two-group layout before, column 4 would be a gap.
    const std::string first_page = Output("pdftotext -layout -f 1 -l 1 %1 -", target);
    for (const char* number : {" 11 ", " 21 ", " 31 ", " 41"}) {
      QVERIFY2(first_page.find(number) != std::string::npos, number);
    }
  }

  // The preview's page setup readies the document again, and its printer button prints the whole
  // of what it shows.
  void PreviewSetsUpAndPrintsItsDocument_data() {
    QTest::addColumn<bool>("a3");          // the page setup changes the paper to A3
    QTest::addColumn<bool>("print");       // the print dialog is accepted
    QTest::addColumn<int>("shown");        // pages in the preview at the end
    QTest::addColumn<int>("printed");      // pages of the printer's file; -1: none written
    QTest::newRow("prints what it shows") << false << true << 2 << 2;
    QTest::newRow("A3 from the preview") << true << true << 1 << 1;
    QTest::newRow("print dialog cancelled") << false << false << 2 << -1;
  }
  void PreviewSetsUpAndPrintsItsDocument() {
    QFETCH(bool, a3);
    QFETCH(bool, print);
    QFETCH(int, shown);
    QFETCH(int, printed);
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("printer.pdf"));
    test_support::MemoryClipboard clipboard;
    MainWindow window(&clipboard);
    window.SetShowMessage([](const Message&) {});
    LayOut(window, clipboard, Numbers(100));
    PrintActions* actions = window.print_actions();
    actions->SetEditPageSetup([a3](const PageSetup& old) {
      PageSetup setup = old;
      if (a3) setup.paper = Paper::kA3;
      return std::optional<PageSetup>(setup);
    });
    actions->SetChoosePrinter([&](QPrinter& printer) {
      printer.setOutputFormat(QPrinter::PdfFormat);
      printer.setOutputFileName(target);
      return print;
    });
    int pages = -1;
    actions->SetRunPreview([&](PrintPreviewDialog& dialog) {
      dialog.show();
      dialog.findChild<QAction*>(QStringLiteral("动作_页面设置"))->trigger();
      dialog.findChild<QAction*>(QStringLiteral("动作_打印"))->trigger();
      pages = static_cast<int>(dialog.pages_view()->page_count());
    });
    actions->Preview();
    QCOMPARE(pages, shown);
    QCOMPARE(QFileInfo::exists(target) ? PdfPages(target) : -1, printed);
    if (printed > 0 && a3) QVERIFY(Output("pdfinfo %1", target).find("(A3)") != std::string::npos);
  }

  void PageSetupIsKeptForTheOutputs() {
    QTemporaryDir dir;
    test_support::MemoryClipboard clipboard;
    MainWindow window(&clipboard);
    window.SetShowMessage([](const Message&) {});
    LayOut(window, clipboard, Numbers(100));
    window.print_actions()->SetEditPageSetup([](const PageSetup& old) {
      PageSetup setup = old;
      setup.paper = Paper::kA3;
      return std::optional<PageSetup>(setup);
    });
    window.print_actions()->page_setup_action()->trigger();
    QCOMPARE(window.print_actions()->page_setup().paper, Paper::kA3);
    const QString target = dir.filePath(QStringLiteral("a3.pdf"));
    window.print_actions()->SetChooseFile([&](const QString&, const QString&) { return target; });
    window.print_actions()->ExportPdf();
    QCOMPARE(PdfPages(target), 1);  // 59 rows a page: 118 fit
    QVERIFY(Output("pdfinfo %1", target).find("(A3)") != std::string::npos);
    // Cancelled: nothing changes.
    window.print_actions()->SetEditPageSetup([](const PageSetup&) { return std::optional<PageSetup>(); });
    window.print_actions()->EditPageSetup();
    QCOMPARE(window.print_actions()->page_setup().paper, Paper::kA3);
  }

  // The type size the pages print at follows the settings, with the ways to larger type when it
  // is too small to read.
  void DialogShowsTheTypeSize_data() {
    QTest::addColumn<double>("width");     // of each of two groups' one column, in points
    QTest::addColumn<bool>("landscape");
    QTest::addColumn<bool>("fitted");      // 栏数 自动（铺满纸宽）
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("warned");
    QTest::newRow("narrow columns print at the font size") << 100.0 << false << false << "10 pt" << false;
    QTest::newRow("wide groups scale the page down") << 500.0 << false << false << "5 pt" << true;
    QTest::newRow("landscape gives room") << 500.0 << true << false << "7.5 pt" << false;
    QTest::newRow("fitted groups print at the font size") << 500.0 << false << true << "10 pt" << false;
  }
  void DialogShowsTheTypeSize() {
    QFETCH(double, width);
    QFETCH(bool, landscape);
    QFETCH(bool, fitted);
    QFETCH(QString, shown);
    QFETCH(bool, warned);
    PageSetupDialog dialog(PageSetup{}, {{width, false}, {7.5, true}, {width, false}}, true);
    if (landscape) dialog.findChild<QComboBox*>(QStringLiteral("组合框_方向"))->setCurrentIndex(1);
    if (fitted) dialog.findChild<QComboBox*>(QStringLiteral("组合框_分栏"))->setCurrentIndex(1);
    const QString text = dialog.findChild<QLabel*>(QStringLiteral("标签_打印字号"))->text();
    QVERIFY2(text.startsWith(shown + (warned ? QStringLiteral("（小于 7 pt") : QString())), qPrintable(text));
    QCOMPARE(text.contains(QStringLiteral("横向")), warned);
  }

  void DialogFitsGroupsAndSetsAHeader() {
    PageSetupDialog dialog(PageSetup{}, {{60, false}, {7.5, true}, {60, false}}, true);
    QCOMPARE(dialog.setup().auto_groups, false);
    auto* groups = dialog.findChild<QComboBox*>(QStringLiteral("组合框_分栏"));
    QVERIFY(groups != nullptr);
    QCOMPARE(groups->itemText(1), QStringLiteral("自动（铺满纸宽）"));
    groups->setCurrentIndex(1);
    dialog.findChild<QLineEdit*>(QStringLiteral("编辑框_页眉"))->setText(QStringLiteral("  高一(1)班 "));
    QCOMPARE(dialog.setup().auto_groups, true);
    QCOMPARE(dialog.setup().header, std::string("高一(1)班"));
    auto* balance = dialog.findChild<QCheckBox*>(QStringLiteral("选择框_均衡分栏"));
    QVERIFY(balance != nullptr);
    QCOMPARE(balance->text(), QStringLiteral("均衡分栏"));
    QCOMPARE(dialog.setup().balance_pages, true);
    balance->setChecked(false);
    QCOMPARE(dialog.setup().balance_pages, false);
    PageSetupDialog reopened(dialog.setup(), {}, true);
    QCOMPARE(reopened.findChild<QCheckBox*>(QStringLiteral("选择框_均衡分栏"))->isChecked(), false);
  }

  // A print whose layout differs from the window's (balanced short pages, fitted groups) lays the
  // table out for itself: the grid, its boxes and the clipboard keep what was copied.
  void PrintLaidOutApartLeavesTheWindowAsItWas_data() {
    QTest::addColumn<int>("rows");
    QTest::addColumn<bool>("fitted");  // groups fitted to the paper; otherwise 10 typed rows, balanced
    QTest::addColumn<int>("pages");
    QTest::newRow("balanced last page") << 25 << false << 2;
    QTest::newRow("fitted groups: 400 short numbers on one page") << 400 << true << 1;
  }
  void PrintLaidOutApartLeavesTheWindowAsItWas() {
    QFETCH(int, rows);
    QFETCH(bool, fitted);
    QFETCH(int, pages);
    QTemporaryDir dir;
    test_support::MemoryClipboard clipboard;
    MainWindow window(&clipboard);
    window.SetShowMessage([](const Message&) {});
    if (!fitted) {
      RowsBox(window)->clear();
      QTest::keyClicks(RowsBox(window), QStringLiteral("10"));
    }
    LayOut(window, clipboard, Numbers(rows));
    const std::optional<std::string> copied = clipboard.ReadText();
    const QSize grid(window.result_grid().ColCount(), window.result_grid().RowCount());
    const QString rows_box = RowsBox(window)->text();
    window.print_actions()->SetPageSetup(fitted ? PageSetup{.auto_groups = true} : PageSetup{.balance_pages = true});
    const QString target = dir.filePath(QStringLiteral("apart.pdf"));
    window.print_actions()->SetChooseFile([&](const QString&, const QString&) { return target; });
    window.print_actions()->ExportPdf();
    QCOMPARE(PdfPages(target), pages);
    QVERIFY(LastOnPage(target, pages, rows));
    QCOMPARE(QSize(window.result_grid().ColCount(), window.result_grid().RowCount()), grid);
    QCOMPARE(window.findChild<QLineEdit*>(QStringLiteral("编辑框_分栏数"))->text(), QStringLiteral("2"));
    QCOMPARE(RowsBox(window)->text(), rows_box);
    QCOMPARE(clipboard.ReadText(), copied);
  }
};

}  // namespace parvex

QTEST_MAIN(parvex::PrintActionsTest)
#include "print_actions_test.moc"
