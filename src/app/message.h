// What the window and its print actions tell the user in a message box.
#ifndef PARVEX_APP_MESSAGE_H_
#define PARVEX_APP_MESSAGE_H_

#include <QMessageBox>
#include <QString>

namespace parvex {

struct Message {
  QMessageBox::Icon icon = QMessageBox::Information;
  QString caption;
  QString text;
  friend bool operator==(const Message&, const Message&) = default;
};

}  // namespace parvex

#endif  // PARVEX_APP_MESSAGE_H_
