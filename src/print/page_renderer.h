// Draws the laid-out table page by page with QPainter: one page block per page, the title row
// over every column group, the groups side by side with the separator as a gap, grid lines, every
// text at the page's one type size (a long one wrapped onto a second line of its cell, its row
// two lines tall; column_widths.h), and the footer "第 x 页，共 y 页". The same drawing goes to a
// PDF file, a printer or a print preview.
#ifndef PARVEX_PRINT_PAGE_RENDERER_H_
#define PARVEX_PRINT_PAGE_RENDERER_H_

#include <QFont>
#include <QImage>
#include <QPageLayout>
#include <QSize>
#include <QSizeF>
#include <QString>
#include <memory>
#include <string>

#include "grid/grid.h"
#include "layout/page_plan.h"
#include "print/page_setup.h"
#include "print/print_layout.h"
#include "print/progress.h"

class QPagedPaintDevice;
class QPainter;

namespace parvex {

// The footer of page `page` (1-based) of `pages`: "第 x 页，共 y 页".
QString PageFooterText(int64_t page, int64_t pages);

// The printing font: WenQuanYi Zen Hei, so that Chinese text is embedded in a PDF and reads
// the same everywhere; the default font when it is not installed. Needs a QGuiApplication.
QFont PrintFont();

// The page size, orientation and margins of `setup` for a printer or a PDF writer.
QPageLayout PageLayoutFor(const PageSetup& setup);

// The pages of one document, readied once: the printed layout of `result` by `plan` and the
// page geometry of `setup`, so that any page can be drawn alone and a few at a time (a preview)
// draw exactly what the PDF and the printer draw. `result` must outlive the renderer.
class PageRenderer {
 public:
  // Nothing, with a one-line `error`, for a plan that is not the grid's or a setup that leaves
  // no room. Measures the printed widths when `plan` has none (needs a QGuiApplication).
  static std::unique_ptr<PageRenderer> Create(const Grid& result, const PagePlan& plan, const PageSetup& setup,
                                              std::string* error);
  ~PageRenderer();
  PageRenderer(const PageRenderer&) = delete;
  PageRenderer& operator=(const PageRenderer&) = delete;

  // At least 1: a layout without data rows prints its title on one page.
  int64_t PageCount() const;
  const PageSetup& page_setup() const { return setup_; }

  // Paints page `page` (0-based, below PageCount) with `painter`: the page's printable area is
  // `area` device pixels from the painter's origin, and the logical resolution of the painter's
  // device sets the size of a point. What depends on the resolution and the area is readied at
  // the first page and kept for the next ones drawn alike.
  void Paint(QPainter& painter, int64_t page, const QSizeF& area);
  // Page `page` as the paper shows it, margins included, `dpi` pixels to the inch; its size is
  // PageImageSize (the paper's, rounded up to whole pixels).
  QImage PageImage(int64_t page, int dpi);
  QSize PageImageSize(int dpi) const;

 private:
  class PagePainter;
  PageRenderer(const Grid& result, const PageSetup& setup);

  const Grid& result_;
  PageSetup setup_;
  PrintLayout layout_;
  PageGeometry geometry_;
  std::unique_ptr<PagePainter> painter_;  // for the resolution and area below
  double painter_px_per_pt_ = 0;
  QSizeF painter_area_;
};

// Paints every page block of `result`, laid out by `plan`, as one page of `device`, whose page
// layout the caller has set (PageLayoutFor, or what the user chose in a print dialog: the drawing
// fits the device's paint rectangle). `progress` is told of each page and may cancel. kFailed
// with a one-line `error` for a plan that is not the grid's, a setup that leaves no room or a
// device that cannot be painted.
WriteOutcome PaintPages(QPagedPaintDevice* device, const Grid& result, const PagePlan& plan, const PageSetup& setup,
                        std::string* error, const Progress& progress = {});

// Writes the pages to a PDF file at `path` (through a temporary file: `path` is replaced only
// by a complete PDF). Needs a QGuiApplication. Anything but kDone leaves `path` untouched;
// kFailed says why in `error`.
WriteOutcome WritePdf(const std::string& path, const Grid& result, const PagePlan& plan, const PageSetup& setup,
                      std::string* error, const Progress& progress = {});

}  // namespace parvex

#endif  // PARVEX_PRINT_PAGE_RENDERER_H_
