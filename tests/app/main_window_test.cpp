// The Parvex window as a user meets it: every control against the window's tables, the tab
// order, the keys and drags the window handles itself, and whole workflows through real clicks
// with an in-memory clipboard.
#include "main_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <QThread>
#include <QTimer>
#include <QWindow>
#include <QtTest>
#include <new>

#include "caption_group_box.h"
#include "colour_button.h"
#include "fatal_error.h"
#include "grid/clipboard.h"
#include "grid/grid_designs.h"
#include "layout/commands.h"
#include "layout/page_plan.h"
#include "support/memory_clipboard.h"

namespace parvex {

// Lets QCOMPARE show a message that differs.
char* toString(const Message& message) {
  const QString text = QStringLiteral("{icon %1, caption \"%2\", text \"%3\"}")
                           .arg(static_cast<int>(message.icon))
                           .arg(message.caption, message.text);
  return qstrdup(text.toUtf8().constData());
}

namespace {

QString Q(const char* utf8) { return QString::fromUtf8(utf8); }

enum class Kind { kButton, kCheckBox, kEdit, kWrappedLabel, kLabel };

struct ControlCase {
  const char* name;
  Kind kind;
  QRect geometry;  // relative to the group box
  QString text;    // caption, or the edit box's initial text
  QColor colour;   // caption colour of a check box or label, text colour of an edit box
};

const QColor kRed(255, 0, 0), kWhite(255, 255, 255), kYellow(255, 255, 0), kBlue(0, 96, 192),
    kMagenta(255, 0, 255);

// The group box's controls in creation order.
const QList<ControlCase>& GroupControls() {
  static const QList<ControlCase> cases = {
      {"按钮_打印帮助", Kind::kButton, {336, 88, 60, 20}, Q("打印帮助"), {}},
      {"选择框_复制的数据包含标题", Kind::kCheckBox, {522, 12, 144, 16}, Q("复制的数据包含标题"), kBlue},
      {"按钮_数据再处理", Kind::kButton, {83, 86, 60, 20}, Q("数据再处理"), {}},
      {"按钮_导入数据", Kind::kButton, {144, 51, 56, 20}, Q("导入数据"), {}},
      {"按钮_数据预处理", Kind::kButton, {342, 52, 64, 20}, Q("数据预处理"), {}},
      {"选择框_是否空行填充", Kind::kCheckBox, {373, 12, 136, 16}, Q("不够1页时用空行填充"), kBlue},
      {"编辑框_列宽", Kind::kEdit, {551, 28, 24, 20}, Q("40"), Qt::black},
      {"编辑框_分栏数", Kind::kEdit, {44, 11, 20, 16}, Q("2"), kRed},
      {"编辑框_第N页变化则分页", Kind::kEdit, {161, 11, 24, 16}, Q("3"), kRed},
      {"选择框_根据某列来分页", Kind::kCheckBox, {95, 8, 265, 21},
       Q("如果第      列变化则要分页(首列为第1列）"), kBlue},
      {"编辑框_excel每页打印行数", Kind::kEdit, {99, 32, 20, 16}, Q("46"), kRed},
      {"标签_使用说明", Kind::kWrappedLabel, {8, 61, 640, 42},
       Q("复制表格数据到剪贴板→           →设置栏数及分页条件→            →在某空白表单中\"粘贴\""
         "。设置重复标题、设置格式，分页预览调整宽度 → 根据预览计算每页打印行数 → 清除此表单内容，仅保留格式。"
         "重新设置本软件中每页打印行数  →           → 重新粘贴到表单中。并打印。"),
       QColor(0, 0, 255)},
      {"标签_每页多少行", Kind::kWrappedLabel, {6, 33, 674, 19},
       Q("excel中每页打印    行（不含标题），要设置excel的“页面设置”之工作表的顶端标题行。上表列宽"), Qt::black},
      {"标签1", Kind::kLabel, {17, 11, 72, 16}, Q("分成    栏，"), Qt::black},
  };
  return cases;
}

struct ButtonCase {
  const char* name;
  QString hint;
  CaptionColours normal, hot, focused;
};

const QList<ButtonCase>& Buttons() {
  static const QList<ButtonCase> cases = {
      {"按钮_导入数据", Q("其实就是把剪贴板上的数据进行分析，然后导入左上角再生成表格。"), {kBlue, kYellow},
       {kWhite, kRed}, {kWhite, kYellow}},
      {"按钮_数据预处理", Q("根据要分几栏及是否强制分页及是否用空行填空等进行处理"), {kMagenta, kYellow},
       {kWhite, kRed}, {kWhite, kYellow}},
      {"按钮_数据再处理", Q("功能跟“数据预处理”差不多，只是多了个每页打印行数的设置。"), {kWhite, kRed},
       {kRed, kWhite}, {kWhite, kRed}},
      {"按钮_打印帮助",
       Q("在Excel中设置好页面格式、重复标题行；然后筛选，筛选后再在此页面上打印。高级一点的可以设置某列单元格对齐的"
         "自动换行、所有行高自动适应，宽度自己调整。"),
       {kWhite, kBlue}, {kRed, kWhite}, {kWhite, kBlue}},
  };
  return cases;
}

const char* const kTabStops[] = {"按钮_打印帮助",        "选择框_复制的数据包含标题", "按钮_数据再处理",
                                 "按钮_导入数据",        "按钮_数据预处理",           "选择框_是否空行填充",
                                 "编辑框_列宽",          "编辑框_分栏数",             "编辑框_第N页变化则分页",
                                 "选择框_根据某列来分页", "编辑框_excel每页打印行数",  "高级表格_中间结果",
                                 "高级表格_原始数据"};

const char* const kProcessedCaption = "处理成功，请继续。";
const char* const kPreprocessText =
    "信息已经复制到剪贴板，请把数据粘贴到Excel或其它电子表格中，并从‘页面设置’－‘工作表’中设置‘顶端标题行’；"
    "打印边界可在‘分页预览’‘页边距’中调整；请调整格式后，查看每页打印行数。";
const char* const kReprocessText = "信息已经复制到剪贴板，请把刚才处理好格式的区域中，删除原有数据，再次粘贴，并检查底端有无空行。";

// The class list of the layout's worked example, as a spreadsheet copies it.
const std::string kClassList =
    "Name\tClass\r\nAnn\tA\r\nBen\tA\r\nCai\tB\r\nDan\tB\r\nEva\tB\r\nFay\tB\r\nGus\tC\r\n";

// The grid's cells, TAB between cells and LF between rows, none of them quoted.
QByteArray PlainTextOf(const Grid& grid) {
  QByteArray text;
  for (int32_t r = 0; r < grid.RowCount(); ++r) {
    if (r > 0) text += '\n';
    for (int32_t c = 0; c < grid.ColCount(); ++c) {
      if (c > 0) text += '\t';
      const std::string_view cell = grid.CellView(r, c);
      text.append(cell.data(), static_cast<qsizetype>(cell.size()));
    }
  }
  return text;
}

// A clipboard whose read fails as an exhausted heap does, and that notes the cursor meanwhile.
class ThrowingClipboard : public Clipboard {
 public:
  std::optional<std::string> ReadText() override {
    busy_cursor = QApplication::overrideCursor() != nullptr &&
                  QApplication::overrideCursor()->shape() == Qt::WaitCursor;
    throw std::bad_alloc();
  }
  bool Write(const ProduceText&, const ProduceText&, const ProduceText&) override { return false; }
  bool busy_cursor = false;
};

// A clipboard in memory that notes whether it was written on the GUI thread, and can refuse.
class ThreadNotingClipboard : public test_support::MemoryClipboard {
 public:
  bool Write(const ProduceText& text, const ProduceText& html, const ProduceText& sylk) override {
    written_on_gui_thread = QThread::currentThread() == QCoreApplication::instance()->thread();
    return test_support::MemoryClipboard::Write(text, html, sylk);
  }
  bool written_on_gui_thread = false;
};

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    clipboard_ = std::make_unique<test_support::MemoryClipboard>();
    window_ = std::make_unique<MainWindow>(clipboard_.get());
    messages_.clear();
    window_->SetShowMessage([this](const Message& m) { messages_.push_back(m); });
    window_->show();
    window_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
  }
  void cleanup() { window_.reset(); }

  void windowFrameTitleAndPlace() {
    MainWindow& w = *window_;
    QVERIFY(w.windowTitle().startsWith(Q("Parvex2.4")));
    // 715 x 535 outside a frame that the window system reports; else a 709 x 506 client area.
    if (w.windowHandle()->frameMargins().isNull()) {
      QCOMPARE(w.size(), QSize(709, 506));
    } else {
      QCOMPARE(w.frameGeometry().size(), QSize(715, 535));
    }
    QCOMPARE(w.minimumSize(), w.maximumSize());
    QVERIFY(!w.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(w.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(w.windowFlags().testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(w.windowFlags().testFlag(Qt::WindowSystemMenuHint));
    const QRect screen = w.screen()->geometry();
    QCOMPARE(w.pos(), QPoint(screen.x() + (screen.width() - 715) / 2, screen.y() + (screen.height() - 535) / 2));
    QCOMPARE(w.palette().color(QPalette::Window), QApplication::palette().color(QPalette::Button));
    QVERIFY(!w.windowIcon().isNull());
  }

  void windowChildrenAndGroupBox() {
    MainWindow& w = *window_;
    auto* group = w.findChild<QGroupBox*>(Q("分组框1"));
    QVERIFY(group != nullptr);
    QCOMPARE(group->parentWidget(), &w);
    QCOMPARE(group->geometry(), QRect(8, 388, 688, 116));
    QCOMPARE(group->title(), Q("设置与处理"));
    QCOMPARE(qobject_cast<CaptionGroupBox*>(group)->caption_colour(), kMagenta);
    QCOMPARE(group->focusPolicy(), Qt::NoFocus);
    const struct {
      const char* name;
      QRect geometry;
      int col_width;
    } grids[] = {{"高级表格_中间结果", {256, 8, 448, 368}, 30}, {"高级表格_原始数据", {8, 8, 240, 368}, 50}};
    for (const auto& g : grids) {
      auto* view = w.findChild<QTableView*>(Q(g.name));
      QVERIFY2(view != nullptr, g.name);
      QCOMPARE(view->parentWidget(), &w);
      QCOMPARE(view->geometry(), g.geometry);
      QCOMPARE(view->model()->rowCount(), 1);
      QCOMPARE(view->model()->columnCount(), 1);
      QCOMPARE(view->columnWidth(0), g.col_width);
      QCOMPARE(view->rowHeight(0), 24);
      QVERIFY(view->model()->flags(view->model()->index(0, 0)).testFlag(Qt::ItemIsEditable));
    }
    // Created group box, result grid, source grid: the group box lies on top.
    const QObjectList& children = w.children();
    QVERIFY(children.indexOf(group) > children.indexOf(w.findChild<QTableView*>(Q("高级表格_中间结果"))));
  }

  void groupControlsMatchTable() {
    MainWindow& w = *window_;
    auto* group = w.findChild<QGroupBox*>(Q("分组框1"));
    const QColor face = QApplication::palette().color(QPalette::Button);
    for (const ControlCase& c : GroupControls()) {
      const QByteArray context = QByteArray("control ") + c.name;
      auto* widget = w.findChild<QWidget*>(Q(c.name));
      QVERIFY2(widget != nullptr, context);
      QVERIFY2(widget->parentWidget() == group, context);
      QVERIFY2(widget->geometry() == c.geometry, context);
      QVERIFY2(widget->isVisible() && widget->isEnabled(), context);
      switch (c.kind) {
        case Kind::kButton: {
          auto* button = qobject_cast<QPushButton*>(widget);
          QVERIFY2(button != nullptr && button->text() == c.text, context);
          QVERIFY2(button->focusPolicy() & Qt::TabFocus, context);
          break;
        }
        case Kind::kCheckBox: {
          auto* box = qobject_cast<QCheckBox*>(widget);
          QVERIFY2(box != nullptr && box->text() == c.text, context);
          QVERIFY2(box->isChecked(), context);
          QVERIFY2(box->palette().color(QPalette::WindowText) == c.colour, context);
          break;
        }
        case Kind::kEdit: {
          auto* edit = qobject_cast<QLineEdit*>(widget);
          QVERIFY2(edit != nullptr && edit->text() == c.text, context);
          QVERIFY2(edit->palette().color(QPalette::Text) == c.colour, context);
          QVERIFY2(edit->palette().color(QPalette::Base) == kWhite, context);
          QVERIFY2(edit->hasFrame(), context);
          break;
        }
        case Kind::kWrappedLabel:
        case Kind::kLabel: {
          auto* label = qobject_cast<QLabel*>(widget);
          QVERIFY2(label != nullptr, context);
          QVERIFY2(label->text() == c.text, context + " text: " + label->text().toUtf8());
          QVERIFY2(label->wordWrap() == (c.kind == Kind::kWrappedLabel), context);
          QVERIFY2(label->textFormat() == Qt::PlainText, context);
          QVERIFY2(label->palette().color(QPalette::WindowText) == c.colour, context);
          QVERIFY2(label->autoFillBackground() && label->palette().color(QPalette::Window) == face, context);
          QVERIFY2(label->focusPolicy() == Qt::NoFocus, context);
          break;
        }
      }
    }
  }

  // Earlier controls lie on top, so the boxes and buttons cover the label blanks.
  void stackingPutsEarlierControlsOnTop() {
    MainWindow& w = *window_;
    auto* group = w.findChild<QGroupBox*>(Q("分组框1"));
    const QObjectList& stack = group->children();  // bottom first
    const QList<ControlCase>& controls = GroupControls();
    for (qsizetype i = 0; i + 1 < controls.size(); ++i) {
      const auto* upper = w.findChild<QWidget*>(Q(controls[i].name));
      const auto* lower = w.findChild<QWidget*>(Q(controls[i + 1].name));
      QVERIFY2(stack.indexOf(upper) > stack.indexOf(lower), controls[i].name);
    }
    const struct {
      QPoint point;  // in the group box
      const char* on_top;
    } probes[] = {{{50, 18}, "编辑框_分栏数"},       {{170, 18}, "编辑框_第N页变化则分页"},
                  {{105, 40}, "编辑框_excel每页打印行数"}, {{160, 60}, "按钮_导入数据"},
                  {{100, 95}, "按钮_数据再处理"},     {{360, 60}, "按钮_数据预处理"},
                  {{20, 70}, "标签_使用说明"}};
    for (const auto& p : probes) {
      QWidget* hit = group->childAt(p.point);
      QVERIFY2(hit != nullptr && hit->objectName() == Q(p.on_top), p.on_top);
    }
  }

  void buttonsHintsAndColours() {
    MainWindow& w = *window_;
    for (const ButtonCase& c : Buttons()) {
      auto* button = w.findChild<ColourButton*>(Q(c.name));
      QVERIFY2(button != nullptr, c.name);
      QCOMPARE(button->toolTip(), c.hint);
      QVERIFY2(button->normal() == c.normal, c.name);
      QVERIFY2(button->hot() == c.hot, c.name);
      QVERIFY2(button->focused() == c.focused, c.name);
    }
  }

  void tabAndShiftTabFollowCreationOrder() {
    MainWindow& w = *window_;
    w.findChild<QWidget*>(Q(kTabStops[0]))->setFocus(Qt::TabFocusReason);
    QTRY_COMPARE(QApplication::focusWidget()->objectName(), Q(kTabStops[0]));
    const int count = static_cast<int>(std::size(kTabStops));
    for (int i = 1; i <= count; ++i) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      QCOMPARE(QApplication::focusWidget()->objectName(), Q(kTabStops[i % count]));
    }
    for (int i = count - 1; i >= 0; --i) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
      QCOMPARE(QApplication::focusWidget()->objectName(), Q(kTabStops[i]));
    }
  }

  void escEnterAndF1DoNothing() {
    MainWindow& w = *window_;
    auto* edit = w.findChild<QLineEdit*>(Q("编辑框_分栏数"));
    edit->setFocus();
    QTRY_VERIFY(edit->hasFocus());
    for (const Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter, Qt::Key_F1}) {
      QTest::keyClick(edit, key);
      QVERIFY(w.isVisible());
      QCOMPARE(QApplication::focusWidget(), edit);
      QCOMPARE(QApplication::topLevelWidgets().count(), 1);
    }
    QTest::keyClick(&w, Qt::Key_Escape);
    QVERIFY(w.isVisible());
    QVERIFY(messages_.empty());
  }

  void dragOnLabelMovesWindowButNotOnEditOrGrid() {
    MainWindow& w = *window_;
    const QPoint start = w.pos();
    auto* edit = w.findChild<QLineEdit*>(Q("编辑框_分栏数"));
    QTest::mousePress(edit, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseMove(edit, QPoint(25, 15));
    QTest::mouseRelease(edit, Qt::LeftButton, {}, QPoint(25, 15));
    QCOMPARE(w.pos(), start);
    auto* grid = w.findChild<QTableView*>(Q("高级表格_原始数据"));
    QTest::mousePress(grid->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseMove(grid->viewport(), QPoint(25, 15));
    QTest::mouseRelease(grid->viewport(), Qt::LeftButton, {}, QPoint(25, 15));
    QCOMPARE(w.pos(), start);

    auto* label = w.findChild<QLabel*>(Q("标签_使用说明"));
    QTest::mousePress(label, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseMove(label, QPoint(25, 15));
    QTest::mouseRelease(label, Qt::LeftButton, {}, QPoint(25, 15));
    QCOMPARE(w.pos(), start + QPoint(20, 10));
    QTest::mousePress(&w, Qt::LeftButton, {}, QPoint(250, 380));  // the window's background
    QTest::mouseMove(&w, QPoint(240, 370));
    QTest::mouseRelease(&w, Qt::LeftButton, {}, QPoint(240, 370));
    QCOMPARE(w.pos(), start + QPoint(10, 0));
  }

  void readSettingsFollowsControls() {
    MainWindow& w = *window_;
    const Settings defaults = w.ReadSettings();
    const Settings expected;
    QCOMPARE(defaults.group_count, expected.group_count);
    QCOMPARE(defaults.rows_per_page, expected.rows_per_page);
    QCOMPARE(defaults.key_column, expected.key_column);
    QCOMPARE(defaults.column_width, expected.column_width);
    QVERIFY(defaults.break_by_key && defaults.pad_short_pages && defaults.has_title_row);

    w.findChild<QLineEdit*>(Q("编辑框_分栏数"))->setText(Q("7"));
    w.findChild<QLineEdit*>(Q("编辑框_excel每页打印行数"))->setText(Q("30"));
    w.findChild<QLineEdit*>(Q("编辑框_第N页变化则分页"))->setText(QString());
    w.findChild<QLineEdit*>(Q("编辑框_列宽"))->setText(Q("-5"));
    for (const char* name : {"选择框_根据某列来分页", "选择框_是否空行填充", "选择框_复制的数据包含标题"}) {
      QTest::mouseClick(w.findChild<QCheckBox*>(Q(name)), Qt::LeftButton);
    }
    const Settings s = w.ReadSettings();
    QCOMPARE(s.group_count, std::string("7"));
    QCOMPARE(s.rows_per_page, std::string("30"));
    QCOMPARE(s.key_column, std::string());
    QCOMPARE(s.column_width, std::string("-5"));
    QVERIFY(!s.break_by_key && !s.pad_short_pages && !s.has_title_row);
  }

  // Import, then the layout of the worked example in its three variants and without a title.
  void workflowThroughClicks_data() {
    QTest::addColumn<bool>("break_by_key");
    QTest::addColumn<bool>("pad");
    QTest::addColumn<bool>("title");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("no key breaks") << false << true << true
                                   << QByteArray("Name\tClass\t\tName\tClass\nAnn\tA\t\tDan\tB\nBen\tA\t\tEva\tB\n"
                                                 "Cai\tB\t\tFay\tB\nGus\tC\t\t\t");
    QTest::newRow("key breaks, padded") << true << true << true
                                        << QByteArray("Name\tClass\t\tName\tClass\nAnn\tA\t\t\t\nBen\tA\t\t\t\n\t\t\t\t\n"
                                                      "Cai\tB\t\tFay\tB\nDan\tB\t\t\t\nEva\tB\t\t\t\nGus\tC\t\t\t");
    QTest::newRow("key breaks, not padded") << true << false << true
                                            << QByteArray("Name\tClass\t\tName\tClass\nAnn\tA\t\t\t\nBen\tA\t\t\t\n"
                                                          "Cai\tB\t\tFay\tB\nDan\tB\t\t\t\nEva\tB\t\t\t\nGus\tC\t\t\t");
    // Without a title every copied row is data: "Name" is the first data row.
    QTest::newRow("no title row") << false << true << false
                                  << QByteArray("Name\tClass\t\tCai\tB\nAnn\tA\t\tDan\tB\nBen\tA\t\tEva\tB\n"
                                                "Fay\tB\t\t\t\nGus\tC\t\t\t");
  }
  void workflowThroughClicks() {
    QFETCH(bool, break_by_key);
    QFETCH(bool, pad);
    QFETCH(bool, title);
    QFETCH(QByteArray, expected);
    MainWindow& w = *window_;
    clipboard_->set_text(kClassList);
    QTest::mouseClick(w.findChild<QPushButton*>(Q("按钮_导入数据")), Qt::LeftButton);
    QVERIFY(messages_.empty());  // a normal import says nothing
    const Grid& source = w.source_grid();
    QCOMPARE(source.RowCount(), 8);
    QCOMPARE(source.ColCount(), 2);
    QCOMPARE(source.GetCellText(7, 0).value_or(""), std::string("Gus"));
    QCOMPARE(*source.GetColumnWidth(1), 40);
    auto* source_view = w.findChild<QTableView*>(Q("高级表格_原始数据"));
    QCOMPARE(source_view->model()->rowCount(), 8);
    QCOMPARE(source_view->model()->data(source_view->model()->index(3, 0)).toString(), Q("Cai"));
    QCOMPARE(source_view->columnWidth(1), 40);
    const QByteArray imported = PlainTextOf(source);

    // Typed as a user types: select the box's text, type over it, leave the box.
    auto type_into = [&w](const char* name, const QString& text) {
      auto* edit = w.findChild<QLineEdit*>(Q(name));
      QTest::mouseClick(edit, Qt::LeftButton);
      edit->selectAll();
      QTest::keyClicks(edit, text);
    };
    type_into("编辑框_excel每页打印行数", Q("3"));
    type_into("编辑框_第N页变化则分页", Q("2"));
    auto set_check = [&w](const char* name, bool on) {
      auto* box = w.findChild<QCheckBox*>(Q(name));
      if (box->isChecked() != on) QTest::mouseClick(box, Qt::LeftButton);
      QCOMPARE(box->isChecked(), on);
    };
    set_check("选择框_根据某列来分页", break_by_key);
    set_check("选择框_是否空行填充", pad);
    set_check("选择框_复制的数据包含标题", title);

    for (const char* button : {"按钮_数据预处理", "按钮_数据再处理"}) {
      clipboard_->set_text(std::string("stale"));
      messages_.clear();
      QTest::mouseClick(w.findChild<QPushButton*>(Q(button)), Qt::LeftButton);
      QVERIFY(clipboard_->text().has_value());
      QCOMPARE(QByteArray::fromStdString(*clipboard_->text()), expected);
      QCOMPARE(messages_.size(), size_t{1});
      QCOMPARE(messages_[0].icon, QMessageBox::Information);
      QCOMPARE(messages_[0].caption, Q(kProcessedCaption));
      QCOMPARE(messages_[0].text, Q(button == std::string("按钮_数据预处理") ? kPreprocessText : kReprocessText));
      // The source is as imported, whatever the title box says, and the result grid holds what
      // went to the clipboard: without a title row its first row is data, not a blank title.
      QCOMPARE(PlainTextOf(source), imported);
      QCOMPARE(PlainTextOf(w.result_grid()), expected);
      auto* result_view = w.findChild<QTableView*>(Q("高级表格_中间结果"));
      QCOMPARE(result_view->model()->rowCount(), w.result_grid().RowCount());
      QCOMPARE(result_view->model()->columnCount(), 5);
      QCOMPARE(result_view->columnWidth(2), 40);  // the separator takes the width too
    }
    QVERIFY(QApplication::overrideCursor() == nullptr);
  }

  // A large table is laid out on a second thread: the same layout, message and clipboard as the
  // command gives on the GUI thread, the clipboard still written on the GUI thread.
  void largeTablesAreLaidOutAsSmallOnes_data() {
    QTest::addColumn<int>("rows");
    QTest::addColumn<bool>("writable");
    QTest::newRow("a million cells") << 250000 << true;
    QTest::newRow("a million cells, the clipboard refusing") << 250000 << false;
  }
  void largeTablesAreLaidOutAsSmallOnes() {
    QFETCH(int, rows);
    QFETCH(bool, writable);
    std::string text = "No\tName\tClass\tNote\n";
    for (int r = 0; r < rows; ++r) {
      text += std::to_string(r) + "\t名" + std::to_string(r % 97) + "\t" + std::to_string(r / 40) + "班\t0" +
              std::to_string(r % 7) + "\n";
    }
    ThreadNotingClipboard clipboard;
    clipboard.set_keeps_sylk(true);
    MainWindow w(&clipboard);
    std::vector<Message> shown;
    w.SetShowMessage([&shown](const Message& m) { shown.push_back(m); });
    clipboard.set_text(text);
    QTest::mouseClick(w.findChild<QPushButton*>(Q("按钮_导入数据")), Qt::LeftButton);
    clipboard.set_writable(writable);
    clipboard.set_text(std::string("stale"));
    QTest::mouseClick(w.findChild<QPushButton*>(Q("按钮_数据预处理")), Qt::LeftButton);

    test_support::MemoryClipboard direct;
    direct.set_writable(writable);
    direct.set_keeps_sylk(true);
    Grid expected(ResultGridDesign());
    std::optional<PagePlan> plan;
    const CommandResult result = OnPreprocess(w.source_grid(), expected, w.ReadSettings(), direct, &plan);
    QCOMPARE(PlainTextOf(w.result_grid()), PlainTextOf(expected));
    QCOMPARE(clipboard.text(), writable ? direct.text() : std::optional<std::string>("stale"));
    QCOMPARE(clipboard.html(), direct.html());
    QCOMPARE(clipboard.sylk(), direct.sylk());
    QCOMPARE(clipboard.written_on_gui_thread, true);
    QCOMPARE(shown.size(), size_t{1});
    QCOMPARE(shown[0].text, QString::fromStdString(result.Shown()));
    QCOMPARE(w.findChild<QTableView*>(Q("高级表格_中间结果"))->model()->rowCount(), expected.RowCount());
    QVERIFY(QApplication::overrideCursor() == nullptr);
  }

  void editBoxNormalisedBeforeCommandReadsIt() {
    MainWindow& w = *window_;
    clipboard_->set_text(kClassList);
    QTest::mouseClick(w.findChild<QPushButton*>(Q("按钮_导入数据")), Qt::LeftButton);
    auto* groups = w.findChild<QLineEdit*>(Q("编辑框_分栏数"));
    QTest::mouseClick(groups, Qt::LeftButton);
    groups->selectAll();
    QTest::keyClicks(groups, Q("007"));
    QTest::mouseClick(w.findChild<QPushButton*>(Q("按钮_数据预处理")), Qt::LeftButton);
    QCOMPARE(groups->text(), Q("7"));
    QCOMPARE(w.result_grid().ColCount(), 7 * 2 + 6);
  }

  void spaceOnFocusedButtonRunsCommand() {
    MainWindow& w = *window_;
    clipboard_->set_text(std::string("a\tb\r\n"));
    auto* import = w.findChild<QPushButton*>(Q("按钮_导入数据"));
    import->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(import->hasFocus());
    QTest::keyClick(import, Qt::Key_Space);
    QCOMPARE(w.source_grid().ColCount(), 2);
    auto* help = w.findChild<QPushButton*>(Q("按钮_打印帮助"));
    help->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(help->hasFocus());
    QTest::keyClick(help, Qt::Key_Return);  // Enter is not a click
    QVERIFY(messages_.empty());
    QTest::keyClick(help, Qt::Key_Space);
    QCOMPARE(messages_.size(), size_t{1});
  }

  void helpBoxTwiceChangesNothing() {
    MainWindow& w = *window_;
    const Message expected{QMessageBox::Information, Q("另类分类打印的方法"),
                           Q("在Excel中设置好页面格式、重复标题行，是否打印边框线；然后筛选，筛选后再在此页面上打印（不要在单元格"
                             "的格式中设置边线，应该在页面设置中设置，否则筛选后需要指定打印哪些页面）。高级一点的可以设置某列单元"
                             "格对齐的自动换行、所有行高自动适应，宽度自己调整。可以通过‘打印预览’中的‘页边距’按钮调整边线。")};
    clipboard_->set_text(std::string("untouched"));
    for (int i = 0; i < 2; ++i) QTest::mouseClick(w.findChild<QPushButton*>(Q("按钮_打印帮助")), Qt::LeftButton);
    QCOMPARE(messages_.size(), size_t{2});
    QCOMPARE(messages_[0], expected);
    QCOMPARE(messages_[1], expected);
    QCOMPARE(*clipboard_->text(), std::string("untouched"));
    QCOMPARE(w.source_grid().RowCount(), 1);
  }

  // The box a message shows by default: ownerless, application-modal, one OK, the right icon.
  void defaultMessageBoxLooksRight() {
    struct Seen {
      bool found = false;
      QMessageBox::Icon icon = QMessageBox::NoIcon;
      QString caption, text;
      Qt::WindowModality modality = Qt::NonModal;
      bool has_parent = true;
      QMessageBox::StandardButtons buttons;
    } seen;
    QTimer::singleShot(0, [&seen] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr) return;
      seen = {true,         box->icon(), box->windowTitle(), box->text(), box->windowModality(),
              box->parent() != nullptr, box->standardButtons()};
      box->accept();
    });
    ShowMessageBox({QMessageBox::Warning, Q("无法处理"), Q("layout refused")});
    QVERIFY(seen.found);
    QCOMPARE(seen.icon, QMessageBox::Warning);
    QCOMPARE(seen.caption, Q("无法处理"));
    QCOMPARE(seen.text, Q("layout refused"));
    QCOMPARE(seen.modality, Qt::ApplicationModal);
    QVERIFY(!seen.has_parent);
    QCOMPARE(seen.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
  }

  void failedAllocationIsFatal() {
    ThrowingClipboard throwing;
    MainWindow w(&throwing);
    std::vector<Message> shown;
    QStringList fatal;
    w.SetShowMessage([&shown](const Message& m) { shown.push_back(m); });
    w.SetFatalError([&fatal](const QString& message) { fatal << message; });
    w.show();
    QTest::mouseClick(w.findChild<QPushButton*>(Q("按钮_导入数据")), Qt::LeftButton);
    QVERIFY(throwing.busy_cursor);  // the command ran under the busy cursor
    QCOMPARE(fatal, QStringList{Q("分配 0 字节内存失败!")});
    QVERIFY(shown.empty());
    QVERIFY(QApplication::overrideCursor() == nullptr);
  }

 private:
  std::unique_ptr<test_support::MemoryClipboard> clipboard_;
  std::unique_ptr<MainWindow> window_;
  std::vector<Message> messages_;
};

}  // namespace
}  // namespace parvex

QTEST_MAIN(parvex::MainWindowTest)
#include "main_window_test.moc"
