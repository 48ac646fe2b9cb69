#include "main_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QFontDatabase>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QWindow>
#include <cassert>
#include <new>
#include <utility>

#include "background_command.h"
#include "caption_group_box.h"
#include "colour_button.h"
#include "fatal_error.h"
#include "grid/grid_designs.h"
#include "grid_view.h"
#include "import/import.h"
#include "layout/commands.h"
#include "layout/split_into_columns.h"
#include "numeric_edit.h"
#include "port/fonts.h"
#include "print_actions.h"
#include "system_clipboard.h"
#include "wrapped_label.h"

namespace parvex {
namespace {

// Tables of this many cells and more are laid out on a second thread (background_command.h):
// their layout and copy can take longer than a user waits for a window that does not answer.
constexpr int64_t kBackgroundCells = 1'000'000;

const QColor kRed(255, 0, 0);
const QColor kWhite(255, 255, 255);
const QColor kYellow(255, 255, 0);
const QColor kBlue(0, 96, 192);
const QColor kMagenta(255, 0, 255);
const QColor kPureBlue(0, 0, 255);

QString FromUtf8(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string ToUtf8(const QString& text) {
  const QByteArray bytes = text.toUtf8();
  return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

// The workflow in one paragraph; the runs of blanks are where the buttons sit.
QString UsageText() {
  return QStringLiteral("复制表格数据到剪贴板→") + QString(11, u' ') + QStringLiteral("→设置栏数及分页条件→") +
         QString(12, u' ') + QStringLiteral("→在某空白表单中") + QStringLiteral("\"粘贴\"") +
         QStringLiteral("。设置重复标题、设置格式，分页预览调整宽度 → 根据预览计算每页打印行数 → "
                        "清除此表单内容，仅保留格式。重新设置本软件中每页打印行数") +
         QString(2, u' ') + QStringLiteral("→") + QString(11, u' ') + QStringLiteral("→ 重新粘贴到表单中。并打印。");
}

void SetTextColour(QWidget* widget, QPalette::ColorRole role, const QColor& colour) {
  QPalette palette = widget->palette();
  palette.setColor(role, colour);
  widget->setPalette(palette);
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, const QRect& rect, const QColor& colour,
                  bool word_wrap) {
  QLabel* label = word_wrap ? new WrappedLabel(text, parent) : new QLabel(text, parent);
  label->setObjectName(QString::fromUtf8(name));
  label->setGeometry(rect);
  label->setTextFormat(Qt::PlainText);
  label->setWordWrap(word_wrap);
  label->setAlignment(word_wrap ? (Qt::AlignLeft | Qt::AlignTop) : (Qt::AlignLeft | Qt::AlignVCenter));
  label->setMargin(0);
  label->setIndent(0);
  label->setFrameShape(QFrame::NoFrame);
  // The label paints its rectangle in the button-face colour, over whatever lies below it.
  label->setAutoFillBackground(true);
  QPalette palette = label->palette();
  palette.setColor(QPalette::Window, QApplication::palette().color(QPalette::Button));
  palette.setColor(QPalette::WindowText, colour);
  label->setPalette(palette);
  return label;
}

QCheckBox* MakeCheckBox(QWidget* parent, const char* name, const QString& text, const QRect& rect, bool checked) {
  auto* box = new QCheckBox(text, parent);
  box->setObjectName(QString::fromUtf8(name));
  box->setGeometry(rect);
  box->setChecked(checked);
  SetTextColour(box, QPalette::WindowText, kBlue);
  SetTextColour(box, QPalette::ButtonText, kBlue);
  return box;
}

NumericEdit* MakeEdit(QWidget* parent, const char* name, const QString& text, const QRect& rect,
                      const QColor& colour) {
  auto* edit = new NumericEdit(text, parent);
  edit->setObjectName(QString::fromUtf8(name));
  edit->setGeometry(rect);
  edit->setTextMargins(0, 0, 0, 0);
  QPalette palette = edit->palette();
  palette.setColor(QPalette::Text, colour);
  palette.setColor(QPalette::Base, kWhite);
  edit->setPalette(palette);
  return edit;
}

ColourButton* MakeButton(QWidget* parent, const char* name, const QString& text, const QRect& rect,
                         const QString& hint, CaptionColours normal, CaptionColours hot, CaptionColours focused) {
  auto* button = new ColourButton(text, normal, hot, focused, parent);
  button->setObjectName(QString::fromUtf8(name));
  button->setGeometry(rect);
  button->setToolTip(hint);
  return button;
}

GridView* MakeGridView(QWidget* parent, const char* name, Grid* grid, Clipboard* clipboard, const QRect& rect) {
  auto* view = new GridView(grid, clipboard, parent);
  view->setObjectName(QString::fromUtf8(name));
  view->setGeometry(rect);
  return view;
}

// Two columns of lines side by side: what the program does to a table.
QIcon WindowIcon() {
  QPixmap pixmap(32, 32);
  pixmap.fill(Qt::white);
  QPainter painter(&pixmap);
  painter.setPen(QColor(192, 192, 192));
  painter.drawRect(0, 0, 31, 31);
  for (const int left : {3, 18}) {
    painter.fillRect(left, 4, 11, 4, kBlue);
    for (int top = 11; top < 29; top += 4) painter.fillRect(left, top, 11, 2, Qt::black);
  }
  return QIcon(pixmap);
}

// Whether a left press on `widget` moves the window: the background, a label, the group box.
bool IsDragArea(const QWidget* widget, const QWidget* window) {
  return widget == nullptr || widget == window || qobject_cast<const QLabel*>(widget) != nullptr ||
         qobject_cast<const QGroupBox*>(widget) != nullptr;
}

}  // namespace

void ShowMessageBox(const Message& message) {
  QMessageBox box(message.icon, message.caption, message.text, QMessageBox::Ok);
  box.setWindowModality(Qt::ApplicationModal);
  box.exec();
}

QString PrintHelpCaption() { return QStringLiteral("另类分类打印的方法"); }

QString PrintHelpText() {
  return QStringLiteral(
      "在Excel中设置好页面格式、重复标题行，是否打印边框线；然后筛选，筛选后再在此页面上打印（不要在单元格的格式中设置边线，"
      "应该在页面设置中设置，否则筛选后需要指定打印哪些页面）。高级一点的可以设置某列单元格对齐的自动换行、所有行高自动适应，"
      "宽度自己调整。可以通过‘打印预览’中的‘页边距’按钮调整边线。");
}

QFont WindowFont() {
  QFont font = QApplication::font();
#if defined(Q_OS_LINUX) || defined(Q_OS_WIN)
  // The labels' blanks are measured in this face at 12 pixels; any other face moves them.
  const port::FontChoice choice = port::WindowFonts();
  const QStringList installed = QFontDatabase::families();
  for (const std::string& name : choice.families) {
    const QString family = QString::fromStdString(name);
    if (installed.contains(family)) {
      font = QFont(family);
      font.setPixelSize(12);
      return font;
    }
  }
  for (const std::string& file : choice.files) {
    const QStringList loaded = QFontDatabase::applicationFontFamilies(
        QFontDatabase::addApplicationFont(QString::fromStdString(file)));
    if (!loaded.isEmpty()) {
      font = QFont(loaded.front());
      font.setPixelSize(12);
      return font;
    }
  }
#endif
  return font;
}

MainWindow::MainWindow(Clipboard* clipboard, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      owned_clipboard_(clipboard == nullptr ? std::make_unique<SystemClipboard>() : nullptr),
      clipboard_(clipboard == nullptr ? *owned_clipboard_ : *clipboard),
      source_grid_(SourceGridDesign()),
      result_grid_(ResultGridDesign()),
      show_message_(ShowMessageBox),
      fatal_error_([](const QString& message) {
        ShowFatalErrorBox(message);
        QCoreApplication::exit(kFatalExitCode);
      }) {
  setWindowTitle(QStringLiteral("Parvex" PARVEX_VERSION));
  setWindowIcon(WindowIcon());
  setFixedSize(kClientSize);
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, palette.color(QPalette::Button));
  setPalette(palette);
  setAutoFillBackground(true);
  CreateControls();
  ConnectCommands();
  print_actions_ = new PrintActions(this, 高级表格_中间结果, this, [this](const Message& message) { show_message_(message); });
  CentreOnScreen();
}

MainWindow::~MainWindow() = default;

void MainWindow::CreateControls() {
  分组框1 = new CaptionGroupBox(QStringLiteral("设置与处理"), kMagenta, this);
  分组框1->setObjectName(QStringLiteral("分组框1"));
  分组框1->setGeometry(8, 388, 688, 116);
  分组框1->installEventFilter(this);

  QWidget* box = 分组框1;
  // The controls start from the settings' defaults, which the command-line tool shares.
  const Settings initial;
  按钮_打印帮助 = MakeButton(box, "按钮_打印帮助", QStringLiteral("打印帮助"), {336, 88, 60, 20},
                             QStringLiteral("在Excel中设置好页面格式、重复标题行；然后筛选，筛选后再在此页面上打印。"
                                            "高级一点的可以设置某列单元格对齐的自动换行、所有行高自动适应，宽度自己调整。"),
                             {kWhite, kBlue}, {kRed, kWhite}, {kWhite, kBlue});
  选择框_复制的数据包含标题 =
      MakeCheckBox(box, "选择框_复制的数据包含标题", QStringLiteral("复制的数据包含标题"), {522, 12, 144, 16},
                   initial.has_title_row);
  按钮_数据再处理 = MakeButton(box, "按钮_数据再处理", QStringLiteral("数据再处理"), {83, 86, 60, 20},
                               QStringLiteral("功能跟“数据预处理”差不多，只是多了个每页打印行数的设置。"),
                               {kWhite, kRed}, {kRed, kWhite}, {kWhite, kRed});
  按钮_导入数据 = MakeButton(box, "按钮_导入数据", QStringLiteral("导入数据"), {144, 51, 56, 20},
                             QStringLiteral("其实就是把剪贴板上的数据进行分析，然后导入左上角再生成表格。"),
                             {kBlue, kYellow}, {kWhite, kRed}, {kWhite, kYellow});
  按钮_数据预处理 = MakeButton(box, "按钮_数据预处理", QStringLiteral("数据预处理"), {342, 52, 64, 20},
                               QStringLiteral("根据要分几栏及是否强制分页及是否用空行填空等进行处理"),
                               {kMagenta, kYellow}, {kWhite, kRed}, {kWhite, kYellow});
  选择框_是否空行填充 =
      MakeCheckBox(box, "选择框_是否空行填充", QStringLiteral("不够1页时用空行填充"), {373, 12, 136, 16},
                   initial.pad_short_pages);
  编辑框_列宽 = MakeEdit(box, "编辑框_列宽", FromUtf8(initial.column_width), {551, 28, 24, 20}, Qt::black);
  编辑框_分栏数 = MakeEdit(box, "编辑框_分栏数", FromUtf8(initial.group_count), {44, 11, 20, 16}, kRed);
  编辑框_第N页变化则分页 = MakeEdit(box, "编辑框_第N页变化则分页", FromUtf8(initial.key_column), {161, 11, 24, 16}, kRed);
  选择框_根据某列来分页 = MakeCheckBox(box, "选择框_根据某列来分页",
                                       QStringLiteral("如果第") + QString(6, u' ') +
                                           QStringLiteral("列变化则要分页(首列为第1列）"),
                                       {95, 8, 265, 21}, initial.break_by_key);
  编辑框_excel每页打印行数 =
      MakeEdit(box, "编辑框_excel每页打印行数", FromUtf8(initial.rows_per_page), {99, 32, 20, 16}, kRed);
  标签_使用说明 = MakeLabel(box, "标签_使用说明", UsageText(), {8, 61, 640, 42}, kPureBlue, true);
  标签_每页多少行 = MakeLabel(box, "标签_每页多少行",
                             QStringLiteral("excel中每页打印") + QString(4, u' ') +
                                 QStringLiteral("行（不含标题），要设置excel的“页面设置”之工作表的顶端标题行。上表列宽"),
                             {6, 33, 674, 19}, Qt::black, true);
  标签1 = MakeLabel(box, "标签1", QStringLiteral("分成") + QString(4, u' ') + QStringLiteral("栏，"),
                    {17, 11, 72, 16}, Qt::black, false);

  高级表格_中间结果 = MakeGridView(this, "高级表格_中间结果", &result_grid_, &clipboard_, {256, 8, 448, 368});
  // Until the first layout, the empty result grid says where the print outputs are.
  高级表格_中间结果->SetPlaceholder(QStringLiteral(
      "排好的结果显示在这里。\n右键菜单：打印预览（Ctrl+P）/ 导出PDF / 保存为Excel文件（Ctrl+S）/ 页面设置"));
  高级表格_原始数据 = MakeGridView(this, "高级表格_原始数据", &source_grid_, &clipboard_, {8, 8, 240, 368});

  // Earlier controls lie on top: the buttons and edit boxes over the label blanks they fill.
  const QWidget* const in_group[] = {按钮_打印帮助,       选择框_复制的数据包含标题, 按钮_数据再处理,
                                     按钮_导入数据,       按钮_数据预处理,           选择框_是否空行填充,
                                     编辑框_列宽,         编辑框_分栏数,             编辑框_第N页变化则分页,
                                     选择框_根据某列来分页, 编辑框_excel每页打印行数, 标签_使用说明,
                                     标签_每页多少行,     标签1};
  for (auto it = std::rbegin(in_group); it != std::rend(in_group); ++it) const_cast<QWidget*>(*it)->raise();
  高级表格_原始数据->raise();
  高级表格_中间结果->raise();
  分组框1->raise();

  // The tab stops in creation order.
  QWidget* const tab_stops[] = {按钮_打印帮助,         选择框_复制的数据包含标题, 按钮_数据再处理,
                                按钮_导入数据,         按钮_数据预处理,           选择框_是否空行填充,
                                编辑框_列宽,           编辑框_分栏数,             编辑框_第N页变化则分页,
                                选择框_根据某列来分页, 编辑框_excel每页打印行数,  高级表格_中间结果,
                                高级表格_原始数据};
  for (size_t i = 0; i + 1 < std::size(tab_stops); ++i) setTabOrder(tab_stops[i], tab_stops[i + 1]);
}

void MainWindow::ConnectCommands() {
  connect(按钮_导入数据, &QPushButton::clicked, this,
          [this] { RunCommand([this] { return OnImportData(source_grid_, ReadSettings(), clipboard_); }); });
  // The printed outputs read how the result grid was laid out. A layout whose export to the
  // clipboard failed is in the result grid all the same, so its plan counts too.
  using Process = CommandResult (*)(const Grid&, Grid&, const Settings&, Clipboard&, std::optional<PagePlan>*);
  auto lay_out = [this](Process process) {
    RunCommand([this, process] {
      const Settings settings = ReadSettings();
      std::optional<PagePlan> plan;
      CommandResult result;
      if (int64_t{source_grid_.RowCount()} * source_grid_.ColCount() < kBackgroundCells) {
        result = process(source_grid_, result_grid_, settings, clipboard_, &plan);
      } else {
        // Laid out apart while the views keep showing the grids as they are; the layout then
        // takes the result grid's place.
        Grid laid_out(ResultGridDesign());
        GuiThreadClipboard clipboard(clipboard_);
        RunInBackground(this, QStringLiteral("正在排版…"),
                        [&] { result = process(source_grid_, laid_out, settings, clipboard, &plan); });
        if (plan.has_value()) result_grid_ = std::move(laid_out);
      }
      if (plan.has_value()) {
        高级表格_中间结果->SetPlaceholder(QString());
        result_plan_ = std::move(plan);
        result_options_ = LayoutOptionsFrom(settings);
      }
      return result;
    });
  };
  connect(按钮_数据预处理, &QPushButton::clicked, this, [lay_out] { lay_out(&OnPreprocess); });
  connect(按钮_数据再处理, &QPushButton::clicked, this, [lay_out] { lay_out(&OnReprocess); });
  connect(编辑框_excel每页打印行数, &QLineEdit::textEdited, this, [this] { rows_typed_ = true; });
  connect(按钮_打印帮助, &QPushButton::clicked, this, &MainWindow::OnPrintHelp);
}

Settings MainWindow::ReadSettings() const {
  Settings settings;
  settings.group_count = ToUtf8(编辑框_分栏数->text());
  settings.rows_per_page = ToUtf8(编辑框_excel每页打印行数->text());
  settings.key_column = ToUtf8(编辑框_第N页变化则分页->text());
  settings.column_width = ToUtf8(编辑框_列宽->text());
  settings.break_by_key = 选择框_根据某列来分页->isChecked();
  settings.pad_short_pages = 选择框_是否空行填充->isChecked();
  settings.has_title_row = 选择框_复制的数据包含标题->isChecked();
  return settings;
}

void MainWindow::RunCommand(const std::function<CommandResult()>& command) {
  // A click takes the focus from an edit box, which normalises it; a click that took no focus
  // (a button driven by code) must read normalised texts all the same.
  for (NumericEdit* edit : {编辑框_列宽, 编辑框_分栏数, 编辑框_第N页变化则分页, 编辑框_excel每页打印行数}) {
    edit->Normalize();
  }
  QApplication::setOverrideCursor(Qt::WaitCursor);
  // Let the window system show the busy cursor before the command holds the thread.
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  CommandResult result;
  bool out_of_memory = false;
  try {
    result = command();
  } catch (const std::bad_alloc&) {
    // operator new does not say how much it wanted: the box reports 0 bytes.
    out_of_memory = true;
  }
  高级表格_原始数据->grid_model()->Reload();
  高级表格_中间结果->grid_model()->Reload();
  QApplication::restoreOverrideCursor();
  if (out_of_memory) {
    fatal_error_(AllocationFailedMessage(0));
    return;
  }
  if (result.Shown().empty()) return;
  show_message_({result.status.ok() ? QMessageBox::Information : QMessageBox::Warning, FromUtf8(result.caption),
                 FromUtf8(result.Shown())});
}

std::optional<PrintJob> MainWindow::PrintJobFor(const PageSetup& setup) const {
  if (!result_options_.has_value()) return std::nullopt;
  return PrintJob(source_grid_, *result_options_, !rows_typed_, setup);
}

Status MainWindow::ReadyPrintJob(PrintJob& job) {
  assert(result_options_.has_value() && result_plan_.has_value());
  // A job that lays the table out again for the page does so apart: the grid keeps showing
  // what the clipboard holds.
  return job.Ready(result_grid_, *result_plan_, result_options_);
}

void MainWindow::OnPrintHelp() { show_message_({QMessageBox::Information, PrintHelpCaption(), PrintHelpText()}); }

void MainWindow::CentreOnScreen() {
  const QScreen* screen = this->screen();
  if (screen == nullptr) return;
  const QRect area = screen->geometry();
  // The outer rectangle is 715 x 535 whether or not a frame is drawn yet.
  move(area.x() + (area.width() - kOuterSize.width()) / 2, area.y() + (area.height() - kOuterSize.height()) / 2);
}

void MainWindow::FitToFrame() {
  if (fitted_to_frame_ || !isVisible() || windowHandle() == nullptr) return;
  const QMargins frame = windowHandle()->frameMargins();
  if (frame.isNull()) return;  // no window manager, or it has not framed the window yet
  fitted_to_frame_ = true;
  // The frame and the client area share the outer size; the client keeps room for the grids
  // and the group box (704 x 504) under a frame thicker than the usual one.
  const int width = std::max(kOuterSize.width() - frame.left() - frame.right(), 704);
  const int height = std::max(kOuterSize.height() - frame.top() - frame.bottom(), 504);
  setFixedSize(width, height);
  CentreOnScreen();
}

bool MainWindow::event(QEvent* event) {
  const bool handled = QWidget::event(event);
  switch (event->type()) {
    case QEvent::Show:
    case QEvent::Move:
    case QEvent::Resize:
      FitToFrame();
      break;
    default:
      break;
  }
  return handled;
}

void MainWindow::StartDrag(const QPoint& global_pos) {
  if (windowHandle() != nullptr && windowHandle()->startSystemMove()) return;
  // No window-system move (no window manager, or one that does not offer it): follow the
  // pointer ourselves until the button is released.
  dragging_ = true;
  drag_offset_ = global_pos - frameGeometry().topLeft();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched != 分组框1) return QWidget::eventFilter(watched, event);
  switch (event->type()) {
    case QEvent::MouseButtonPress: {
      auto* mouse = static_cast<QMouseEvent*>(event);
      const QPoint global = mouse->globalPosition().toPoint();
      // Presses that a check box ignored come here too: only the group box and its labels drag.
      if (mouse->button() == Qt::LeftButton && IsDragArea(childAt(mapFromGlobal(global)), this)) {
        StartDrag(global);
        return true;
      }
      break;
    }
    case QEvent::MouseMove:
      if (dragging_) {
        move(static_cast<QMouseEvent*>(event)->globalPosition().toPoint() - drag_offset_);
        return true;
      }
      break;
    case QEvent::MouseButtonRelease:
      if (dragging_) {
        dragging_ = false;
        return true;
      }
      break;
    default:
      break;
  }
  return QWidget::eventFilter(watched, event);
}

void MainWindow::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && IsDragArea(childAt(event->position().toPoint()), this)) {
    StartDrag(event->globalPosition().toPoint());
    event->accept();
    return;
  }
  QWidget::mousePressEvent(event);
}

void MainWindow::mouseMoveEvent(QMouseEvent* event) {
  if (dragging_) {
    move(event->globalPosition().toPoint() - drag_offset_);
    event->accept();
    return;
  }
  QWidget::mouseMoveEvent(event);
}

void MainWindow::mouseReleaseEvent(QMouseEvent* event) {
  dragging_ = false;
  QWidget::mouseReleaseEvent(event);
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Escape:  // does not close the window
    case Qt::Key_F1:      // no help window
    case Qt::Key_Return:  // does not move the focus
    case Qt::Key_Enter:
      event->accept();
      return;
    default:
      QWidget::keyPressEvent(event);
  }
}

}  // namespace parvex
