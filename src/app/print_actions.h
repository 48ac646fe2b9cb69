// The print-ready outputs of the window: "打印预览…" (Ctrl+P), "导出PDF…", "保存为Excel文件…"
// (Ctrl+S) and "页面设置…", in the result grid's context menu and as window shortcuts. Each runs
// a print job (print_job.h) on the layout a PrintDocumentSource hands it; a long export shows its
// progress, can be cancelled, and never leaves a half-written file under the chosen name.
#ifndef PARVEX_APP_PRINT_ACTIONS_H_
#define PARVEX_APP_PRINT_ACTIONS_H_

#include <QObject>
#include <QString>
#include <functional>
#include <optional>
#include <string>

#include "export/export_job.h"
#include "message.h"
#include "print/page_setup.h"
#include "print/print_job.h"
#include "print/progress.h"

class QAction;
class QMenu;
class QPrinter;
class QWidget;

namespace parvex {

class GridView;
class PrintPreviewDialog;

// The layout the print actions print (the window's result grid and its plan).
class PrintDocumentSource {
 public:
  virtual ~PrintDocumentSource() = default;
  // A job printing the current layout on `setup`; none before anything has been laid out.
  virtual std::optional<PrintJob> PrintJobFor(const PageSetup& setup) const = 0;
  // Readies `job` on the current layout; a job whose rows or groups differ lays the table out
  // again for itself, leaving the layout shown as it is. Failed with a one-line message when the
  // page leaves no room or the layout is refused.
  virtual Status ReadyPrintJob(PrintJob& job) = 0;
};

class PrintActions : public QObject {
  Q_OBJECT

 public:
  // Adds the actions to `window` (shortcuts, and the parent of the dialogs) and to
  // `result_view`'s context menu. They print what `document` hands them and tell the user
  // through `show_message`; `document` must outlive the actions.
  PrintActions(QWidget* window, GridView* result_view, PrintDocumentSource* document,
               std::function<void(const Message&)> show_message);

  QAction* preview_action() const { return preview_; }
  QAction* pdf_action() const { return pdf_; }
  QAction* xlsx_action() const { return xlsx_; }
  QAction* page_setup_action() const { return page_setup_; }

  const PageSetup& page_setup() const { return setup_; }
  void SetPageSetup(const PageSetup& setup) { setup_ = setup; }

  // The menu that a right click on the result grid shows.
  QMenu* CreateContextMenu(QWidget* parent) const;

  // Replace the dialogs (the tests drive them instead). `choose_file` gets the caption and the
  // filter and returns the chosen path, empty for none; `edit_setup` returns the new setup or
  // nothing when cancelled; `run_preview` shows the preview dialog and returns when it is done;
  // `choose_printer` sets up `printer` as the print dialog would and returns false for a cancel.
  void SetChooseFile(std::function<QString(const QString& caption, const QString& filter)> choose_file) {
    choose_file_ = std::move(choose_file);
  }
  void SetEditPageSetup(std::function<std::optional<PageSetup>(const PageSetup&)> edit_setup) {
    edit_setup_ = std::move(edit_setup);
  }
  void SetRunPreview(std::function<void(PrintPreviewDialog&)> run_preview) { run_preview_ = std::move(run_preview); }
  void SetChoosePrinter(std::function<bool(QPrinter&)> choose_printer) { choose_printer_ = std::move(choose_printer); }

  // The commands behind the actions.
  void Preview();
  void ExportPdf();
  void ExportXlsx();
  void EditPageSetup();

 private:
  QString ChooseFile(const QString& caption, const QString& filter, const QString& suffix);
  // The job for the current layout, readied; none, with the reason shown, when it cannot be.
  std::optional<PrintJob> ReadyJob(const QString& caption);
  void Export(const QString& caption, const QString& filter, const QString& suffix, const QString& progress_text,
              ExportFormat format);
  void Warn(const QString& caption, const std::string& text) const;
  // Runs the page setup dialog over `parent`; true when the setup changed.
  bool EditPageSetupOver(QWidget* parent);
  // Prints the whole of `job` on a printer the user chooses, over `parent`, with progress.
  void Print(const PrintJob& job, QWidget* parent);

  QWidget* window_;
  PrintDocumentSource* document_;
  std::function<void(const Message&)> show_message_;
  PageSetup setup_;
  QAction* preview_;
  QAction* pdf_;
  QAction* xlsx_;
  QAction* page_setup_;
  std::function<QString(const QString&, const QString&)> choose_file_;
  std::function<std::optional<PageSetup>(const PageSetup&)> edit_setup_;
  std::function<void(PrintPreviewDialog&)> run_preview_;
  std::function<bool(QPrinter&)> choose_printer_;
};

}  // namespace parvex

#endif  // PARVEX_APP_PRINT_ACTIONS_H_
