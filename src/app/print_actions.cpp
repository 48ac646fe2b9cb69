#include "print_actions.h"

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressDialog>
#include <memory>
#include <string>

#include "background_command.h"
#include "grid_view.h"
#include "page_setup_dialog.h"
#include "print/page_renderer.h"
#include "print_preview.h"

namespace parvex {
namespace {

QAction* MakeAction(QObject* parent, const char* name, const QString& text, const QKeySequence& keys = {}) {
  auto* action = new QAction(text, parent);
  action->setObjectName(QString::fromUtf8(name));
  action->setShortcut(keys);
  action->setShortcutContext(Qt::WindowShortcut);
  return action;
}

// A modal progress box with a cancel button; as a Progress it keeps the window responsive.
class ExportProgress {
 public:
  ExportProgress(QWidget* parent, const QString& text) : dialog_(text, QStringLiteral("取消"), 0, 1000, parent) {
    dialog_.setWindowTitle(QStringLiteral("Parvex"));
    dialog_.setWindowModality(Qt::WindowModal);
    dialog_.setMinimumDuration(500);
    dialog_.setValue(0);
  }
  Progress callback() {
    return [this](int64_t done, int64_t total) {
      if (total > 0) dialog_.setValue(static_cast<int>(done * 1000 / total));
      QCoreApplication::processEvents();
      return !dialog_.wasCanceled();
    };
  }

 private:
  QProgressDialog dialog_;
};

}  // namespace

PrintActions::PrintActions(QWidget* window, GridView* result_view, PrintDocumentSource* document,
                           std::function<void(const Message&)> show_message)
    : QObject(window),
      window_(window),
      document_(document),
      show_message_(std::move(show_message)),
      preview_(MakeAction(window, "动作_打印预览", QStringLiteral("打印预览…"), QKeySequence(Qt::CTRL | Qt::Key_P))),
      pdf_(MakeAction(window, "动作_导出PDF", QStringLiteral("导出PDF…"))),
      xlsx_(MakeAction(window, "动作_保存为Excel文件", QStringLiteral("保存为Excel文件…"),
                       QKeySequence(Qt::CTRL | Qt::Key_S))),
      page_setup_(MakeAction(window, "动作_页面设置", QStringLiteral("页面设置…"))) {
  for (QAction* action : {preview_, pdf_, xlsx_, page_setup_}) window->addAction(action);
  connect(preview_, &QAction::triggered, this, &PrintActions::Preview);
  connect(pdf_, &QAction::triggered, this, &PrintActions::ExportPdf);
  connect(xlsx_, &QAction::triggered, this, &PrintActions::ExportXlsx);
  connect(page_setup_, &QAction::triggered, this, &PrintActions::EditPageSetup);
  result_view->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(result_view, &QWidget::customContextMenuRequested, this, [this, result_view](const QPoint& pos) {
    QMenu* menu = CreateContextMenu(result_view);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(result_view->viewport()->mapToGlobal(pos));
  });
}

QMenu* PrintActions::CreateContextMenu(QWidget* parent) const {
  auto* menu = new QMenu(parent);
  menu->setObjectName(QStringLiteral("菜单_中间结果"));
  menu->addAction(preview_);
  menu->addAction(pdf_);
  menu->addAction(xlsx_);
  menu->addSeparator();
  menu->addAction(page_setup_);
  return menu;
}

QString PrintActions::ChooseFile(const QString& caption, const QString& filter, const QString& suffix) {
  QString path = choose_file_ ? choose_file_(caption, filter) : QFileDialog::getSaveFileName(window_, caption, {}, filter);
  if (!path.isEmpty() && QFileInfo(path).suffix().isEmpty()) path += suffix;
  return path;
}

void PrintActions::Warn(const QString& caption, const std::string& text) const {
  show_message_({QMessageBox::Warning, caption, QString::fromStdString(text)});
}

std::optional<PrintJob> PrintActions::ReadyJob(const QString& caption) {
  std::optional<PrintJob> job = document_->PrintJobFor(setup_);
  if (!job.has_value()) {
    show_message_({QMessageBox::Warning, caption, QStringLiteral("还没有排好的结果：请先导入数据并点击“数据预处理”。")});
    return std::nullopt;
  }
  // Measuring a large table's columns takes a moment: the window keeps painting meanwhile.
  QApplication::setOverrideCursor(Qt::WaitCursor);
  Status ready;
  RunInBackground(window_, QStringLiteral("正在准备打印…"), [&] { ready = document_->ReadyPrintJob(*job); });
  QApplication::restoreOverrideCursor();
  if (!ready.ok()) {
    Warn(caption, ready.message());
    return std::nullopt;
  }
  return job;
}

void PrintActions::Preview() {
  const QString caption = QStringLiteral("打印预览");
  std::optional<PrintJob> readied = ReadyJob(caption);
  if (!readied.has_value()) return;
  // Held apart from the dialog: its pages read the job's document until they are replaced.
  auto job = std::make_unique<PrintJob>(std::move(*readied));
  PrintPreviewDialog dialog(window_);
  dialog.SetDocument(std::make_unique<PageRenderer>(*job->document()));
  connect(&dialog, &PrintPreviewDialog::pageSetupRequested, this, [this, &dialog, &job, &caption] {
    if (!EditPageSetupOver(&dialog)) return;
    std::optional<PrintJob> again = ReadyJob(caption);
    if (!again.has_value()) return;
    auto replacement = std::make_unique<PrintJob>(std::move(*again));
    dialog.SetDocument(std::make_unique<PageRenderer>(*replacement->document()));
    job = std::move(replacement);
  });
  connect(&dialog, &PrintPreviewDialog::printRequested, this, [this, &dialog, &job] { Print(*job, &dialog); });
  if (run_preview_) {
    run_preview_(dialog);
  } else {
    dialog.exec();
  }
}

void PrintActions::Print(const PrintJob& job, QWidget* parent) {
  const QString caption = QStringLiteral("打印");
  QPrinter printer(QPrinter::HighResolution);
  printer.setPageLayout(PageLayoutFor(job.page_setup()));
  bool chosen = false;
  if (choose_printer_) {
    chosen = choose_printer_(printer);
  } else {
    QPrintDialog dialog(&printer, parent);
    dialog.setWindowTitle(caption);
    chosen = dialog.exec() == QDialog::Accepted;
  }
  if (!chosen) return;
  ExportProgress progress(parent, QStringLiteral("正在打印…"));
  const Progress report = progress.callback();
  const Status painted = job.Paint(&printer, [&](int64_t done, int64_t total) {
    if (report(done, total)) return true;
    // Nothing of a cancelled run reaches the printer.
    printer.abort();
    return false;
  });
  if (painted.failed()) Warn(caption, painted.message());
}

void PrintActions::Export(const QString& caption, const QString& filter, const QString& suffix,
                          const QString& progress_text, ExportFormat format) {
  const std::optional<PrintJob> job = ReadyJob(caption);
  if (!job.has_value()) return;
  const QString path = ChooseFile(caption, filter, suffix);
  if (path.isEmpty()) return;
  ExportProgress progress(window_, progress_text);
  // A cancel is the user's own choice: nothing to tell.
  const Status written = ExportPrinted(*job->document(), {{format, path.toStdString()}}, progress.callback());
  if (written.failed()) Warn(caption, written.message());
}

void PrintActions::ExportPdf() {
  Export(QStringLiteral("导出PDF"), QStringLiteral("PDF 文件 (*.pdf)"), QStringLiteral(".pdf"),
         QStringLiteral("正在导出PDF…"), ExportFormat::kPdf);
}

void PrintActions::ExportXlsx() {
  Export(QStringLiteral("保存为Excel文件"), QStringLiteral("Excel 工作簿 (*.xlsx)"), QStringLiteral(".xlsx"),
         QStringLiteral("正在保存Excel文件…"), ExportFormat::kXlsx);
}

void PrintActions::EditPageSetup() { EditPageSetupOver(window_); }

bool PrintActions::EditPageSetupOver(QWidget* parent) {
  std::optional<PageSetup> edited;
  if (edit_setup_) {
    edited = edit_setup_(setup_);
  } else {
    std::vector<PrintColumn> columns;
    bool has_title = true;
    if (const std::optional<PrintJob> job = document_->PrintJobFor(setup_); job.has_value()) {
      has_title = job->layout_options().source_has_title;
      if (!job->PrintedColumns(&columns).ok()) columns.clear();
    }
    PageSetupDialog dialog(setup_, std::move(columns), has_title, parent);
    if (dialog.exec() == QDialog::Accepted) edited = dialog.setup();
  }
  if (!edited.has_value() || *edited == setup_) return false;
  setup_ = *edited;
  return true;
}

}  // namespace parvex
