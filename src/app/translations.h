// Qt's own texts (the buttons of its file and message dialogs, its print dialog) in the system's
// language, where Qt's translations for it are installed.
#ifndef PARVEX_APP_TRANSLATIONS_H_
#define PARVEX_APP_TRANSLATIONS_H_

#include <QLocale>

class QCoreApplication;

namespace parvex {

// Loads Qt's translation for `locale` from Qt's translations folder (Debian's
// qt6-translations-l10n; the package's translations folder on Windows) into `app`. False, and
// Qt stays in English, when there is none.
bool InstallQtTranslations(QCoreApplication& app, const QLocale& locale = QLocale::system());

}  // namespace parvex

#endif  // PARVEX_APP_TRANSLATIONS_H_
