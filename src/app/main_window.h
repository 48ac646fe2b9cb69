// The Parvex window: both grids, the settings and the four command buttons.
#ifndef PARVEX_APP_MAIN_WINDOW_H_
#define PARVEX_APP_MAIN_WINDOW_H_

#include <QFont>
#include <QMessageBox>
#include <QPoint>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

#include "command/command_result.h"
#include "command/settings.h"
#include "grid/clipboard.h"
#include "grid/grid.h"
#include "layout/page_plan.h"
#include "layout/split_into_columns.h"
#include "message.h"
#include "print/page_setup.h"
#include "print/print_job.h"
#include "print_actions.h"

class QCheckBox;
class QGroupBox;
class QLabel;

namespace parvex {

class ColourButton;
class GridView;
class NumericEdit;
class PrintActions;

// The default way of showing a Message: a box with no owner window, application-modal, one OK
// button; returns when it is closed.
void ShowMessageBox(const Message& message);

// The help command's box.
QString PrintHelpCaption();
QString PrintHelpText();

// The window's outer size where the window system draws a frame, and its client size where
// there is none.
inline constexpr QSize kOuterSize{715, 535};
inline constexpr QSize kClientSize{709, 506};

// The font for the window: the system's GUI font, except on Linux and Windows, where the
// Chinese texts want a face whose half-width signs are half as wide as its ideographs
// (WenQuanYi Zen Hei Mono; SimSun, else Microsoft YaHei, on Windows) at 12 pixels, so the label
// blanks sit under the edit boxes and buttons that cover them.
QFont WindowFont();

class MainWindow : public QWidget, private PrintDocumentSource {
  Q_OBJECT

 public:
  // `clipboard` is what the commands read and write; the system clipboard when null. It must
  // outlive the window.
  explicit MainWindow(Clipboard* clipboard = nullptr, QWidget* parent = nullptr);
  ~MainWindow() override;

  // The settings as the controls hold them now: edit-box texts as UTF-8, check-box states.
  Settings ReadSettings() const;

  const Grid& source_grid() const { return source_grid_; }
  const Grid& result_grid() const { return result_grid_; }

  // Replaces how messages are shown (the tests record them instead).
  void SetShowMessage(std::function<void(const Message&)> show) { show_message_ = std::move(show); }
  // Replaces what a fatal error does (default: the fatal-error box, then the event loop ends
  // with kFatalExitCode).
  void SetFatalError(std::function<void(const QString&)> fatal) { fatal_error_ = std::move(fatal); }

  // Centres the window's outer rectangle on its screen: ((width - 715) / 2, (height - 535) / 2).
  void CentreOnScreen();

  // The print-ready outputs (print_actions.h).
  PrintActions* print_actions() const { return print_actions_; }

 protected:
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void CreateControls();
  void ConnectCommands();
  // Runs a command under a busy cursor, refreshes both views and shows its message. A failed
  // allocation inside it is fatal.
  void RunCommand(const std::function<CommandResult()>& command);
  void OnPrintHelp();
  // What the print actions print: the last layout. While the rows-per-page box has never been
  // typed into, the rows per page are those that fill one printed page: a job whose rows differ
  // lays the table out for itself, and the grid and the box stay as they are.
  std::optional<PrintJob> PrintJobFor(const PageSetup& setup) const override;
  Status ReadyPrintJob(PrintJob& job) override;
  void FitToFrame();
  void StartDrag(const QPoint& global_pos);

  std::unique_ptr<Clipboard> owned_clipboard_;
  Clipboard& clipboard_;
  Grid source_grid_;
  Grid result_grid_;
  std::function<void(const Message&)> show_message_;
  std::function<void(const QString&)> fatal_error_;

  // How the result grid was last laid out, both set together; none before the first layout.
  std::optional<LayoutOptions> result_options_;
  std::optional<PagePlan> result_plan_;
  bool rows_typed_ = false;  // the user typed into the rows-per-page box
  PrintActions* print_actions_ = nullptr;

  bool fitted_to_frame_ = false;
  bool dragging_ = false;   // moving the window by hand: the window system would not
  QPoint drag_offset_;      // from the window's top-left corner to the pointer

  QGroupBox* 分组框1 = nullptr;
  ColourButton* 按钮_打印帮助 = nullptr;
  QCheckBox* 选择框_复制的数据包含标题 = nullptr;
  ColourButton* 按钮_数据再处理 = nullptr;
  ColourButton* 按钮_导入数据 = nullptr;
  ColourButton* 按钮_数据预处理 = nullptr;
  QCheckBox* 选择框_是否空行填充 = nullptr;
  NumericEdit* 编辑框_列宽 = nullptr;
  NumericEdit* 编辑框_分栏数 = nullptr;
  NumericEdit* 编辑框_第N页变化则分页 = nullptr;
  QCheckBox* 选择框_根据某列来分页 = nullptr;
  NumericEdit* 编辑框_excel每页打印行数 = nullptr;
  QLabel* 标签_使用说明 = nullptr;
  QLabel* 标签_每页多少行 = nullptr;
  QLabel* 标签1 = nullptr;
  GridView* 高级表格_中间结果 = nullptr;
  GridView* 高级表格_原始数据 = nullptr;
};

}  // namespace parvex

#endif  // PARVEX_APP_MAIN_WINDOW_H_
