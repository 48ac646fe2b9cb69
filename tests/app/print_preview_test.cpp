// The print preview: its pages against the PDF's, the page images it keeps while pages go by,
// and its toolbar's page and zoom controls.
#include "print_preview.h"

#include <QAction>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>
#include <memory>
#include <string>

#include "base/status.h"
#include "grid/grid_designs.h"
#include "layout/split_into_columns.h"
#include "print/column_widths.h"
#include "print/page_renderer.h"
#include "support/command_output.h"
#include "support/grid_helpers.h"
#include "support/print_document.h"

namespace parvex {
namespace {

using test_support::Cells;
using test_support::GridOf;

// A class list whose classes (the key, column 2) have 3, 9, 1 and 14 pupils: without padding
// its pages differ in height, so that a page drawn in another page's place shows.
Cells Classes() {
  Cells cells = {{"姓名", "班级", "学号"}};
  int number = 1;
  for (const auto& [name, pupils] : {std::pair{"一班", 3}, {"二班", 9}, {"三班", 1}, {"四班", 14}}) {
    for (int i = 0; i < pupils; ++i, ++number) {
      cells.push_back({"学生" + std::to_string(number), name, std::to_string(2400 + number)});
    }
  }
  return cells;
}

// A title and `n` numbered rows.
Cells Numbers(int n) {
  Cells cells = {{"No"}};
  for (int i = 1; i <= n; ++i) cells.push_back({std::to_string(i)});
  return cells;
}

// A laid-out table measured for printing, as a print job readies it.
struct Document {
  Grid result{ResultGridDesign()};
  PrintDocument print;
  std::unique_ptr<PageRenderer> Renderer() const { return std::make_unique<PageRenderer>(print); }
};

std::unique_ptr<Document> LaidOut(const Cells& cells, const LayoutOptions& options, const PageSetup& setup = {}) {
  auto document = std::make_unique<Document>();
  const Grid source = GridOf(cells);
  PagePlan plan;
  if (const Status laid = SplitIntoColumns(source, document->result, options, &plan); !laid.ok()) {
    qWarning("%s", laid.message().c_str());
  } else if (const Status measured = MeasurePrintDocument(document->result, plan, setup, &document->print);
             !measured.ok()) {
    qWarning("%s", measured.message().c_str());
  }
  return document;
}

// How far apart two pages look, 0 (the same) to 1: the share of their ink (pixels darker than
// mid grey) that has no ink of the other page within a pixel of it. The pixel's leeway evens out
// how two rasterisers place and smooth the same thin line.
double Distance(const QImage& a, const QImage& b) {
  const QImage ga = a.convertToFormat(QImage::Format_Grayscale8);
  const QImage gb = b.convertToFormat(QImage::Format_Grayscale8);
  const int width = std::min(ga.width(), gb.width());
  const int height = std::min(ga.height(), gb.height());
  auto ink = [](const QImage& image, int x, int y) { return image.constScanLine(y)[x] < 128; };
  auto ink_near = [&](const QImage& image, int x, int y) {
    for (int dy = -1; dy <= 1; ++dy) {
      for (int dx = -1; dx <= 1; ++dx) {
        const int nx = x + dx, ny = y + dy;
        if (nx >= 0 && ny >= 0 && nx < width && ny < height && ink(image, nx, ny)) return true;
      }
    }
    return false;
  };
  int64_t inked = 0, unmatched = 0;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      if (ink(ga, x, y)) {
        ++inked;
        if (!ink_near(gb, x, y)) ++unmatched;
      }
      if (ink(gb, x, y)) {
        ++inked;
        if (!ink_near(ga, x, y)) ++unmatched;
      }
    }
  }
  return inked == 0 ? 0 : static_cast<double>(unmatched) / static_cast<double>(inked);
}

// Page `page` (0-based) of `pdf` as poppler draws it at `dpi`.
QImage PdfPage(const QString& pdf, int page, int dpi, const QString& dir) {
  const QString stem = QStringLiteral("%1/page%2").arg(dir).arg(page);
  const std::string command = QStringLiteral("pdftoppm -r %1 -f %2 -l %2 -singlefile -gray -png %3 %4")
                                  .arg(dpi)
                                  .arg(page + 1)
                                  .arg(QString::fromStdString(test_support::ShellPath(pdf.toStdU16String())),
                                       QString::fromStdString(test_support::ShellPath(stem.toStdU16String())))
                                  .toStdString();
  test_support::CommandOutput(command + " 2>&1");
  return QImage(stem + QStringLiteral(".png"));
}

QAction* Action(QWidget& dialog, const char* name) { return dialog.findChild<QAction*>(QString::fromUtf8(name)); }

}  // namespace

class PrintPreviewTest : public QObject {
  Q_OBJECT

 private slots:
  // Each page of the preview is the PDF's page of the same number, and no other page.
  void pagesAreThePdfPages_data() {
    QTest::addColumn<int>("groups");
    QTest::addColumn<int>("orientation");
    QTest::addColumn<QString>("header");
    QTest::newRow("portrait, two groups") << 2 << int(Orientation::kPortrait) << QString();
    QTest::newRow("landscape, three groups, a header") << 3 << int(Orientation::kLandscape) << QStringLiteral("名单");
  }
  void pagesAreThePdfPages() {
    QFETCH(int, groups);
    QFETCH(int, orientation);
    QFETCH(QString, header);
    QTemporaryDir dir;
    PageSetup setup;
    setup.orientation = static_cast<Orientation>(orientation);
    setup.header = header.toStdString();
    auto document = LaidOut(Classes(), {.groups = groups, .rows_per_page = 6, .key_column = 2, .pad_short_pages = false}, setup);
    const QString pdf = dir.filePath(QStringLiteral("classes.pdf"));
    const Status written = test_support::WriteReplacing(
        pdf.toStdString(), [&](const port::ReplacementPath& file) { return WritePdf(file, document->print); });
    QVERIFY2(written.ok(), written.message().c_str());

    PrintPreviewDialog dialog;
    dialog.SetDocument(document->Renderer());
    dialog.show();
    PreviewPages* view = dialog.pages_view();
    view->SetZoom(1);
    const int dpi = view->image_dpi();
    const int64_t pages = view->page_count();
    QVERIFY(pages >= 4);
    QList<QImage> printed_pages;
    for (int64_t q = 0; q < pages; ++q) {
      printed_pages << PdfPage(pdf, static_cast<int>(q), dpi, dir.path());
      QVERIFY2(!printed_pages.back().isNull(), "pdftoppm wrote no page");
    }
    for (int64_t p = 0; p < pages; ++p) {
      const QImage shown = view->PageImage(p);
      for (int64_t q = 0; q < pages; ++q) {
        const QImage& printed = printed_pages[q];
        QVERIFY(std::abs(printed.width() - shown.width()) <= 1 && std::abs(printed.height() - shown.height()) <= 1);
        const double distance = Distance(shown, printed);
        const QByteArray what = QStringLiteral("preview page %1 against PDF page %2: %3").arg(p + 1).arg(q + 1).arg(distance).toUtf8();
        if (p == q) {
          QVERIFY2(distance < 0.02, what.constData());
        } else {
          QVERIFY2(distance > 0.05, what.constData());
        }
      }
    }
  }

  // Going through every page of a long document keeps as many images as the view shows and a
  // few more, at any zoom.
  void keptImagesDoNotGrowWithPages_data() {
    QTest::addColumn<double>("zoom");  // 0: fit the page
    QTest::newRow("fit page") << 0.0;
    QTest::newRow("10 %, many pages in view") << 0.1;
    QTest::newRow("400 %, part of a page in view") << 4.0;
  }
  void keptImagesDoNotGrowWithPages() {
    QFETCH(double, zoom);
    auto document = LaidOut(Numbers(6000), {.groups = 2, .rows_per_page = 20});
    PrintPreviewDialog dialog;
    dialog.SetDocument(document->Renderer());
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    PreviewPages* view = dialog.pages_view();
    QCOMPARE(view->page_count(), 150);
    if (zoom > 0) view->SetZoom(zoom);
    size_t most = 0;
    for (int64_t p = 0; p < view->page_count(); p += 3) {
      view->GoToPage(p);
      QTRY_VERIFY(view->cached_pages() > 0 && view->cached_pages() >= view->VisiblePages().size());
      most = std::max(most, view->cached_pages());
    }
    const size_t visible = view->VisiblePages().size();
    QVERIFY2(most <= visible + PreviewPages::kSparePages, qPrintable(QString::number(most)));
    QVERIFY(view->cached_pages() <= view->cache_capacity());
  }

  // The page controls and the page number box, from a document of 5 pages.
  void pageControlsMove_data() {
    QTest::addColumn<QStringList>("steps");  // action names, or "=N" typed into the page box
    QTest::addColumn<int>("page");           // 1-based, as the box shows it
    QTest::newRow("opens at the first") << QStringList{} << 1;
    QTest::newRow("next twice") << QStringList{"动作_下一页", "动作_下一页"} << 3;
    QTest::newRow("last, previous") << QStringList{"动作_末页", "动作_上一页"} << 4;
    QTest::newRow("last, first") << QStringList{"动作_末页", "动作_首页"} << 1;
    QTest::newRow("typed number") << QStringList{"=4"} << 4;
    QTest::newRow("typed past the end: the last") << QStringList{"=99"} << 5;
    QTest::newRow("typed 0: the first") << QStringList{"动作_末页", "=0"} << 1;
  }
  void pageControlsMove() {
    QFETCH(QStringList, steps);
    QFETCH(int, page);
    auto document = LaidOut(Numbers(200), {.groups = 2, .rows_per_page = 20});
    PrintPreviewDialog dialog;
    dialog.SetDocument(document->Renderer());
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto* box = dialog.findChild<QLineEdit*>(QStringLiteral("编辑框_页码"));
    QVERIFY(box != nullptr);
    for (const QString& step : steps) {
      if (step.startsWith(u'=')) {
        // The validator turns away what is out of range; the box still goes to the nearest page.
        box->setText(step.mid(1));
        emit box->editingFinished();
      } else {
        QAction* action = Action(dialog, step.toUtf8().constData());
        QVERIFY(action != nullptr);
        action->trigger();
      }
    }
    QCOMPARE(dialog.pages_view()->current_page() + 1, page);
    QCOMPARE(box->text(), QString::number(page));
    QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("标签_总页数"))->text(), QStringLiteral(" / 5 "));
    QCOMPARE(Action(dialog, "动作_首页")->isEnabled(), page > 1);
    QCOMPARE(Action(dialog, "动作_末页")->isEnabled(), page < 5);
  }

  // Zooming from the fitted page: the fits follow the view, the steps and the box a percentage.
  void zoomControls_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("typed");  // into the zoom box, after the action
    QTest::addColumn<QString>("shown");  // the zoom box after both; empty: not checked
    QTest::newRow("fit width") << "动作_适合宽度" << QString() << QString();
    QTest::newRow("fit page") << "动作_适合页面" << QString() << QString();
    QTest::newRow("typed 200") << QString() << "200" << "200%";
    QTest::newRow("typed, then zoom in") << "动作_放大" << "100%" << "125%";
    QTest::newRow("typed, then zoom out") << "动作_缩小" << "100" << "80%";
    QTest::newRow("beyond the largest") << QString() << "5000" << "400%";
  }
  void zoomControls() {
    QFETCH(QString, action);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    auto document = LaidOut(Numbers(200), {.groups = 2, .rows_per_page = 20});
    PrintPreviewDialog dialog;
    dialog.SetDocument(document->Renderer());
    dialog.resize(600, 500);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto* zoom_box = dialog.findChild<QComboBox*>(QStringLiteral("组合框_缩放"));
    if (!typed.isEmpty()) {
      zoom_box->lineEdit()->setText(typed);
      emit zoom_box->lineEdit()->editingFinished();
    }
    if (!action.isEmpty()) Action(dialog, action.toUtf8().constData())->trigger();
    PreviewPages* view = dialog.pages_view();
    const QImage page = view->PageImage(view->current_page());
    const QSize room = view->viewport()->size() - QSize(2, 2) * PreviewPages::kPageGap;
    if (action == QStringLiteral("动作_适合宽度")) {
      QVERIFY(page.width() <= room.width() && page.width() >= room.width() - 10);
      QCOMPARE(view->horizontalScrollBar()->maximum(), 0);
    } else if (action == QStringLiteral("动作_适合页面")) {
      QVERIFY(page.width() <= room.width() && page.height() <= room.height());
      QVERIFY(page.width() >= room.width() - 10 || page.height() >= room.height() - 10);
    }
    if (!shown.isEmpty()) QCOMPARE(zoom_box->lineEdit()->text(), shown);
    // The fits stay checked only while they hold.
    QCOMPARE(Action(dialog, "动作_适合宽度")->isChecked(), action == QStringLiteral("动作_适合宽度"));
    QCOMPARE(Action(dialog, "动作_适合页面")->isChecked(), action == QStringLiteral("动作_适合页面"));
  }
};

}  // namespace parvex

QTEST_MAIN(parvex::PrintPreviewTest)
#include "print_preview_test.moc"
