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

#include "port/replace_file.h"
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

// The pages of one print document, each drawn alone: a PDF and a printer draw them all in turn,
// a preview a few at a time where they come into view, and every one of them draws the same
// page. `document` must outlive the renderer.
class PageRenderer {
 public:
  explicit PageRenderer(const PrintDocument& document);
  ~PageRenderer();
  PageRenderer(const PageRenderer&) = delete;
  PageRenderer& operator=(const PageRenderer&) = delete;

  // At least 1: a layout without data rows prints its title on one page.
  int64_t PageCount() const { return document_.PageCount(); }
  const PageSetup& page_setup() const { return document_.setup; }

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

  const PrintDocument& document_;
  std::unique_ptr<PagePainter> painter_;  // for the resolution and area below
  double painter_px_per_pt_ = 0;
  QSizeF painter_area_;
};

// Paints every page block of `document` as one page of `device`, whose page layout the caller
// has set (PageLayoutFor, or what the user chose in a print dialog: the drawing fits the
// device's paint rectangle). `progress` is told of each page and may cancel. Failed with a
// one-line message for a device that cannot be painted.
Status PaintPages(QPagedPaintDevice* device, const PrintDocument& document, const Progress& progress = {});

// Writes the pages as a PDF into `file`'s temporary file; the caller commits it
// (port/replace_file.h). Needs a QGuiApplication. Failed with a message naming the target.
Status WritePdf(const port::ReplacementPath& file, const PrintDocument& document, const Progress& progress = {});

}  // namespace parvex

#endif  // PARVEX_PRINT_PAGE_RENDERER_H_
