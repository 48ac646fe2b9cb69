#include "fatal_error.h"

#include <QMessageBox>

namespace parvex {

QString WindowCreationFailedMessage() { return QStringLiteral("载入启动窗口失败"); }

QString AllocationFailedMessage(long long bytes) {
  return QStringLiteral("分配 %1 字节内存失败!").arg(bytes);
}

QString FatalErrorText(const QString& message) {
  return QStringLiteral("运行时出错!\r\n\r\n错误信息：") + message + QStringLiteral("\r\n");
}

void ShowFatalErrorBox(const QString& message) {
  QMessageBox box(QMessageBox::Critical, QStringLiteral("错误"), FatalErrorText(message), QMessageBox::Ok);
  box.setWindowModality(Qt::ApplicationModal);
  box.exec();
}

}  // namespace parvex
