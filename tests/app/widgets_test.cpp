// The window's small parts: numeric edit boxes, colour buttons, the wrapped label, the system
// clipboard, the fatal-error text and Qt's translations.
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QtTest>

#include "colour_button.h"
#include "fatal_error.h"
#include "numeric_edit.h"
#include "system_clipboard.h"
#include "translations.h"
#include "wrapped_label.h"

namespace parvex {
namespace {

class WidgetsTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    window_.resize(200, 60);
    edit_ = new NumericEdit(QStringLiteral("46"), &window_);
    edit_->setGeometry(0, 0, 80, 20);
    other_ = new QLineEdit(&window_);
    other_->setGeometry(0, 30, 80, 20);
    window_.show();
    window_.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window_));
  }

  // What the box shows after typing `keys` into an empty box, and after leaving it.
  void editBoxTyping_data() {
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("left");
    QTest::newRow("letters ignored") << "a1b2c" << "12" << "12";
    QTest::newRow("only letters") << "xyz" << "" << "";
    QTest::newRow("minus accepted, alone it empties") << "-" << "-" << "";
    QTest::newRow("zero empties") << "0" << "0" << "";
    QTest::newRow("zeros empty") << "000" << "000" << "";
    QTest::newRow("minus zero empties") << "-0" << "-0" << "";
    QTest::newRow("above int16 clamps") << "99999" << "99999" << "32767";
    QTest::newRow("below int16 clamps") << "-99999" << "-99999" << "-32768";
    QTest::newRow("int16 bounds stay") << "-32768" << "-32768" << "-32768";
    QTest::newRow("leading zeros dropped") << "007" << "007" << "7";
    QTest::newRow("blank and sign ignored") << " +5" << "5" << "5";
    QTest::newRow("minus inside digits") << "1-2" << "1-2" << "1";
  }
  void editBoxTyping() {
    QFETCH(QString, keys);
    QFETCH(QString, shown);
    QFETCH(QString, left);
    edit_->setFocus();
    QTRY_VERIFY(edit_->hasFocus());
    edit_->clear();
    QTest::keyClicks(edit_, keys);
    QCOMPARE(edit_->text(), shown);
    other_->setFocus();
    QTRY_VERIFY(other_->hasFocus());
    QCOMPARE(edit_->text(), left);
  }

  void editBoxControlKeysPassThrough() {
    edit_->setFocus();
    QTRY_VERIFY(edit_->hasFocus());
    edit_->setText(QStringLiteral("123"));
    edit_->setCursorPosition(3);
    QTest::keyClick(edit_, Qt::Key_Backspace);
    QCOMPARE(edit_->text(), QStringLiteral("12"));
    QTest::keyClick(edit_, Qt::Key_Home);
    QTest::keyClick(edit_, Qt::Key_Delete);
    QCOMPARE(edit_->text(), QStringLiteral("2"));
  }

  // A paste is not filtered while typing; leaving the box reads the leading number.
  void editBoxPasteNormalisedOnLeaving() {
    QGuiApplication::clipboard()->setText(QStringLiteral("12abc"));
    edit_->setFocus();
    QTRY_VERIFY(edit_->hasFocus());
    edit_->clear();
    QTest::keyClick(edit_, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(edit_->text(), QStringLiteral("12abc"));
    other_->setFocus();
    QTRY_VERIFY(other_->hasFocus());
    QCOMPARE(edit_->text(), QStringLiteral("12"));
  }

  void editBoxInputMethodCommitFiltered() {
    edit_->setFocus();
    QTRY_VERIFY(edit_->hasFocus());
    edit_->clear();
    QInputMethodEvent event;
    event.setCommitString(QStringLiteral("4a-5"));
    QApplication::sendEvent(edit_, &event);
    QCOMPARE(edit_->text(), QStringLiteral("4-5"));
  }

  void editBoxCaretBackAtSelectionStart() {
    edit_->setText(QStringLiteral("12345"));
    edit_->setSelection(3, 2);
    edit_->Normalize();  // no change: nothing moves
    QCOMPARE(edit_->selectionStart(), 3);
    edit_->setText(QStringLiteral("0099"));
    edit_->setSelection(3, 1);
    edit_->Normalize();
    QCOMPARE(edit_->text(), QStringLiteral("99"));
    QCOMPARE(edit_->cursorPosition(), 2);  // the old start, kept inside the shorter text
  }

  void colourButtonPicksColoursByState() {
    const CaptionColours normal{Qt::blue, Qt::yellow};
    const CaptionColours hot{Qt::white, Qt::red};
    const CaptionColours focused{Qt::white, Qt::yellow};
    auto* button = new ColourButton(QStringLiteral("导入数据"), normal, hot, focused, &window_);
    button->setGeometry(100, 0, 60, 20);
    button->show();
    QCOMPARE(button->CurrentColours(), normal);
    button->setFocus();
    QTRY_VERIFY(button->hasFocus());
    QCOMPARE(button->CurrentColours(), focused);
    button->setDown(true);
    QCOMPARE(button->CurrentColours(), hot);  // pressed wins over focused
    button->setDown(false);
    other_->setFocus();
    QTRY_VERIFY(!button->hasFocus());
    button->setAttribute(Qt::WA_UnderMouse, true);
    QCOMPARE(button->CurrentColours(), hot);  // hovering without the focus
    button->setAttribute(Qt::WA_UnderMouse, false);
    QCOMPARE(button->CurrentColours(), normal);
    QVERIFY(!button->autoDefault());  // Enter does not click it
    delete button;
  }

  void wrappedLabelKeepsBlanksAndPitch() {
    QFont font = QApplication::font();
    font.setPixelSize(12);
    WrappedLabel label(QStringLiteral("甲乙") + QString(4, u' ') + QStringLiteral("丙丁戊己庚辛壬癸子丑寅卯辰巳午未"));
    label.setFont(font);
    label.resize(100, 42);
    QCOMPARE(label.LinePitch(), 14);
    const QStringList lines = label.Lines();
    QVERIFY2(lines.size() >= 2, qPrintable(lines.join(u'|')));
    QCOMPARE(lines.join(QString()), label.text());  // wrapping loses no character
  }

  void systemClipboardRoundTripsUtf8() {
    SystemClipboard clipboard;
    const std::string text = "学号\t姓名\r\n2401\t王芳\r\n";
    QVERIFY(clipboard.WriteText(text));
    QCOMPARE(QGuiApplication::clipboard()->text(), QString::fromUtf8(text.data(), qsizetype(text.size())));
    const std::optional<std::string> read = clipboard.ReadText();
    QVERIFY(read.has_value());
    QCOMPARE(*read, text);
  }

  void systemClipboardWithoutTextGivesNothing() {
    auto* mime = new QMimeData;
    mime->setData(QStringLiteral("application/x-parvex-test"), QByteArray("x"));
    QGuiApplication::clipboard()->setMimeData(mime);
    SystemClipboard clipboard;
    QVERIFY(!clipboard.ReadText().has_value());
    QVERIFY(clipboard.WriteText(""));
    const std::optional<std::string> empty = clipboard.ReadText();
    QVERIFY(!empty.has_value() || empty->empty());
  }

  void fatalErrorTexts() {
    QCOMPARE(FatalErrorText(WindowCreationFailedMessage()).toUtf8(),
             QByteArray("运行时出错!\r\n\r\n错误信息：载入启动窗口失败\r\n"));
    QCOMPARE(FatalErrorText(AllocationFailedMessage(1048576)).toUtf8(),
             QByteArray("运行时出错!\r\n\r\n错误信息：分配 1048576 字节内存失败!\r\n"));
    QCOMPARE(AllocationFailedMessage(0), QStringLiteral("分配 0 字节内存失败!"));
    QCOMPARE(kFatalExitCode, -1);
  }

  // Qt's own dialogs speak the system's language where Qt's translation of it is installed.
  void qtDialogsInChinese() {
    if (!InstallQtTranslations(*qApp, QLocale(QLocale::Chinese, QLocale::China))) {
      QSKIP("Qt's Chinese translation is not installed");
    }
    QMessageBox box(QMessageBox::Question, QString(), QString(), QMessageBox::Save | QMessageBox::Cancel);
    QCOMPARE(box.button(QMessageBox::Cancel)->text(), QStringLiteral("取消"));
    QVERIFY(!InstallQtTranslations(*qApp, QLocale(QLocale::Zulu)));
  }

 private:
  QWidget window_;
  NumericEdit* edit_ = nullptr;
  QLineEdit* other_ = nullptr;
};

}  // namespace
}  // namespace parvex

QTEST_MAIN(parvex::WidgetsTest)
#include "widgets_test.moc"
