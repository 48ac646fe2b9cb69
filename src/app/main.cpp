// parvex: the window. Takes no arguments; exits with 0 when the window is closed, -1 after a
// fatal error.
#include <QApplication>
#include <QFile>
#include <QPushButton>
#include <QTimer>
#include <memory>
#include <new>

#include "fatal_error.h"
#include "main_window.h"
#include "print_actions.h"
#include "print_preview.h"
#include "system_clipboard.h"
#include "translations.h"

namespace {

// PARVEX_DEMO_TABLE names a file whose text the window imports and lays out right after it
// appears, showing no message box: the screenshot script's way to show a laid-out table
// without a mouse. The laid-out text ends up on the clipboard, as after real clicks. With
// PARVEX_DEMO_PREVIEW set as well, the print preview of that layout then opens, filling the top
// left of the screen at PARVEX_DEMO_PREVIEW's size ("860x1000"; empty or unreadable: 900x700) and
// with a page header, for the screenshot of the preview.
void RunDemo(parvex::MainWindow& window) {
  const QByteArray path = qgetenv("PARVEX_DEMO_TABLE");
  if (path.isEmpty()) return;
  QFile file(QString::fromLocal8Bit(path));
  if (!file.open(QIODevice::ReadOnly)) return;
  const QByteArray text = file.readAll();
  window.SetShowMessage([](const parvex::Message&) {});
  QTimer::singleShot(200, &window, [&window, text] {
    parvex::SystemClipboard clipboard;
    clipboard.WriteText(std::string_view(text.constData(), static_cast<size_t>(text.size())));
    for (const char* name : {"按钮_导入数据", "按钮_数据预处理"}) {
      if (auto* button = window.findChild<QPushButton*>(QString::fromUtf8(name))) button->click();
    }
    if (!qEnvironmentVariableIsSet("PARVEX_DEMO_PREVIEW")) return;
    const QStringList size = qEnvironmentVariable("PARVEX_DEMO_PREVIEW").split(QLatin1Char('x'));
    int width = size.size() == 2 ? size[0].toInt() : 0;
    int height = size.size() == 2 ? size[1].toInt() : 0;
    if (width < 200 || height < 200) {
      width = 900;
      height = 700;
    }
    parvex::PrintActions* actions = window.print_actions();
    parvex::PageSetup setup = actions->page_setup();
    setup.header = "1班 学生名单";
    actions->SetPageSetup(setup);
    actions->SetRunPreview([width, height](parvex::PrintPreviewDialog& dialog) {
      dialog.setGeometry(0, 0, width, height);
      dialog.exec();
    });
    actions->Preview();
  });
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  parvex::InstallQtTranslations(app);
  app.setFont(parvex::WindowFont());
  std::unique_ptr<parvex::MainWindow> window;
  try {
    window = std::make_unique<parvex::MainWindow>();
  } catch (const std::exception&) {
    parvex::ShowFatalErrorBox(parvex::WindowCreationFailedMessage());
    return parvex::kFatalExitCode;
  }
  window->show();
  window->activateWindow();
  RunDemo(*window);
  return app.exec();
}
