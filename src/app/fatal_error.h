// The two errors that end the program: a failed allocation and a window that cannot be made.
#ifndef PARVEX_APP_FATAL_ERROR_H_
#define PARVEX_APP_FATAL_ERROR_H_

#include <QString>

namespace parvex {

inline constexpr int kFatalExitCode = -1;

// "载入启动窗口失败"
QString WindowCreationFailedMessage();

// "分配 <bytes> 字节内存失败!"; 0 bytes stands for a size that is not known.
QString AllocationFailedMessage(long long bytes);

// The fatal-error box's text: "运行时出错!", two CR LF, "错误信息：", the message, CR LF.
QString FatalErrorText(const QString& message);

// Shows the fatal-error box (no owner, caption "错误", error icon, one OK button) and returns
// when it is closed. Ending the process is the caller's business.
void ShowFatalErrorBox(const QString& message);

}  // namespace parvex

#endif  // PARVEX_APP_FATAL_ERROR_H_
