#include "print/page_renderer.h"

#include <QFile>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QImage>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QGlyphRun>
#include <QPen>
#include <QRawFont>
#include <QTextLayout>
#include <QTextOption>
#include <algorithm>
#include <cassert>
#include <cerrno>
#include <cstring>
#include <cmath>
#include <optional>
#include <vector>

#include "port/fonts.h"
#include "print/column_widths.h"
#include "port/replace_file.h"

namespace parvex {
namespace {

constexpr double kGridLinePt = 0.5;

QPageSize::PageSizeId PageSizeIdOf(Paper paper) {
  switch (paper) {
    case Paper::kA4: return QPageSize::A4;
    case Paper::kA3: return QPageSize::A3;
    case Paper::kA5: return QPageSize::A5;
    case Paper::kB5: return QPageSize::JisB5;
    case Paper::kLetter: return QPageSize::Letter;
    case Paper::kLegal: return QPageSize::Legal;
  }
  return QPageSize::A4;
}

QString FromCell(std::string_view bytes) {
  const std::string utf8 = CellTextUtf8(bytes);
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

}  // namespace

// Everything a page needs on one kind of device, in its pixels: the same for every page drawn
// at one resolution into one size of printable area. `metrics_device` gives the resolution the
// text is measured at; it need not outlive the painter.
class PageRenderer::PagePainter {
 public:
  PagePainter(const QPaintDevice* metrics_device, const Grid& result, const PrintLayout& layout,
              const PageSetup& setup, const PageGeometry& geometry, double px_per_pt, double device_width,
              double device_height)
      : result_(result), layout_(layout), setup_(setup), k_(px_per_pt), device_width_(device_width),
        device_height_(device_height), row_cells_(result) {
    const int32_t title_rows = layout.has_title ? 1 : 0;
    const double rows = static_cast<double>(std::max<int64_t>(1, layout.TallestBlockLines() + title_rows));
    double total_width = 0;
    for (const PrintColumn& column : geometry.columns) total_width += column.width_pt;
    footer_height_ = geometry.footer_height_pt * k_;
    header_height_ = geometry.header_height_pt * k_;
    header_ = QString::fromUtf8(setup.header.data(), static_cast<qsizetype>(setup.header.size()));
    // The page's own scale, lowered further when the device is smaller than the setup's paper
    // or the scale stopped at a spreadsheet's lowest percentage.
    const double scale = geometry.scale();
    const double scale_x = total_width > 0 ? std::min(scale, device_width_ / (total_width * k_)) : scale;
    const double scale_y = std::min(scale, (device_height_ - footer_height_ - header_height_) / (rows * geometry.row_height_pt * k_));
    row_height_ = geometry.row_height_pt * scale_y * k_;
    font_pt_ = setup.font_size_pt * std::min(scale_x, scale_y);
    x_.reserve(geometry.columns.size() + 1);
    x_.push_back(0);
    for (const PrintColumn& column : geometry.columns) x_.push_back(x_.back() + column.width_pt * scale_x * k_);
    separator_.reserve(geometry.columns.size());
    for (const PrintColumn& column : geometry.columns) separator_.push_back(column.separator);

    font_ = PrintFont();
    font_.setPointSizeF(font_pt_);
    title_font_ = font_;
    title_font_.setBold(true);
    footer_font_ = PrintFont();
    footer_font_.setPointSizeF(std::min(setup.font_size_pt, footer_height_ / k_ / 1.4));
    pen_ = QPen(Qt::black, std::max(kGridLinePt * k_ * std::min(scale_x, scale_y), 1.0));
    metrics_.emplace(font_, metrics_device);
    // The data rows' texts are drawn as glyph runs of the font's own outlines: looked up
    // character by character, not shaped, which is most of the time a PDF of many pages takes.
    raw_font_ = QRawFont::fromFont(font_);
    if (raw_font_.isValid()) raw_font_.setPixelSize(font_pt_ * k_);
    title_metrics_.emplace(title_font_, metrics_device);
  }

  // Draws page `block_index` with `painter`, whose device has the resolution measured at.
  void DrawPage(QPainter* painter, size_t block_index) {
    painter_ = painter;
    const PageBlock& block = layout_.blocks[block_index];
    const bool title = layout_.has_title && (setup_.repeat_title || block_index == 0);
    if (!header_.isEmpty()) {
      painter_->setFont(footer_font_);
      painter_->drawText(QRectF(0, 0, device_width_, header_height_), Qt::AlignHCenter | Qt::AlignTop, header_);
    }
    double y = header_height_;
    edges_.assign(1, y);
    if (title) {
      DrawRow(0, y, 1, title_font_, *title_metrics_, Qt::AlignHCenter);
      y += row_height_;
      edges_.push_back(y);
    }
    const std::vector<int64_t>& two_line_rows = layout_.two_line_rows;
    auto next_two_lines = std::lower_bound(two_line_rows.begin(), two_line_rows.end(), int64_t{block.first_row});
    for (int32_t r = 0; r < block.row_count; ++r) {
      const int64_t row = int64_t{block.first_row} + r;
      int lines = 1;
      if (next_two_lines != two_line_rows.end() && *next_two_lines == row) {
        lines = 2;
        ++next_two_lines;
      }
      DrawRow(block.first_row + r, y, lines, font_, *metrics_, Qt::AlignLeft);
      y += row_height_ * lines;
      edges_.push_back(y);
    }
    DrawPageGlyphs();
    DrawGrid();
    painter_->setFont(footer_font_);
    painter_->drawText(QRectF(0, device_height_ - footer_height_, device_width_, footer_height_),
                       Qt::AlignHCenter | Qt::AlignBottom,
                       PageFooterText(static_cast<int64_t>(block_index) + 1, static_cast<int64_t>(layout_.blocks.size())));
  }

 private:
  // Every text in the page's one type size. The columns are as wide as their texts on one line,
  // or on two in a row of `lines` 2 (column_widths.h): there a text wider than its cell wraps.
  // A text wider than its cell in a one-line row is one edited in after measuring, or a device
  // smaller than the page: it is clipped at the cell's edge rather than drawn smaller.
  void DrawRow(int32_t row, double y, int lines, const QFont& font, const QFontMetricsF& metrics,
               Qt::Alignment align) {
    const double height = row_height_ * lines;
    const int32_t cols = std::min<int32_t>(result_.ColCount(), static_cast<int32_t>(separator_.size()));
    const double padding = kCellPaddingPt * k_ * font_pt_ / std::max(setup_.font_size_pt, 1.0);
    bool font_set = false;
    row_cells_.Read(row);
    for (int32_t c = 0; c < cols; ++c) {
      const auto ci = static_cast<size_t>(c);
      if (separator_[ci]) continue;
      const std::string_view bytes = row_cells_.Text(c);
      if (bytes.empty()) continue;
      const double left = x_[ci];
      const double width = x_[ci + 1] - left;
      const double room = width - 2 * padding;
      if (room <= 0) continue;
      const QString text = FromCell(bytes);
      if (&font == &font_ && DrawGlyphs(text, left, width, padding, y, height, lines > 1)) continue;
      if (!font_set) {
        painter_->setFont(font);
        font_set = true;
      }
      const double advance = metrics.horizontalAdvance(text);
      if (advance <= room) {
        DrawText(text, metrics, left + padding, room, advance, y, height, align);
        continue;
      }
      painter_->save();
      painter_->setClipRect(QRectF(left, y, width, height));
      if (lines > 1) {
        DrawWrapped(text, font, left + padding, room, y);
      } else {
        DrawText(text, metrics, left + padding, room, advance, y, height, Qt::AlignLeft);
      }
      painter_->restore();
    }
  }

  // Draws `text` left-aligned in its cell, `height` tall, in the font's own glyphs; false,
  // nothing drawn, when the font lacks one of its characters (the painter then finds a fallback
  // font) or the text is to wrap (`may_wrap`, and wider than its cell). The glyphs join the
  // page's one glyph run (DrawPageGlyphs) unless the text must be clipped.
  bool DrawGlyphs(const QString& text, double left, double width, double padding, double y, double height,
                  bool may_wrap) {
    if (!raw_font_.isValid()) return false;
    glyphs_ = raw_font_.glyphIndexesForString(text);
    if (glyphs_.isEmpty() || glyphs_.contains(0)) return false;
    advances_ = raw_font_.advancesForGlyphIndexes(glyphs_);
    positions_.resize(glyphs_.size());
    double x = 0;
    for (qsizetype i = 0; i < glyphs_.size(); ++i) {
      positions_[i] = QPointF(x, 0);
      x += advances_[i].x();
    }
    const bool clip = x > width - 2 * padding;
    if (clip && may_wrap) return false;
    const double ascent = raw_font_.ascent();
    const QPointF at(left + padding, y + (height - (ascent + raw_font_.descent())) / 2 + ascent);
    if (!clip) {
      // At whole device pixels (1/1200 inch in a PDF, a printer's dot): a PDF then holds each
      // glyph's place as a short integer instead of nine digits.
      page_glyphs_.append(glyphs_);
      for (const QPointF& position : positions_) {
        page_positions_.append(QPointF(std::round(position.x() + at.x()), std::round(at.y())));
      }
      return true;
    }
    QGlyphRun run;
    run.setRawFont(raw_font_);
    run.setGlyphIndexes(glyphs_);
    run.setPositions(positions_);
    painter_->save();
    painter_->setClipRect(QRectF(left, y, width, height));
    painter_->drawGlyphRun(at, run);
    painter_->restore();
    return true;
  }

  // Draws the glyphs DrawGlyphs gathered as one run. A PDF holds a few bytes per glyph and a
  // good deal more per run (state, font, text object): one run per page instead of one per
  // cell makes the pages' content a third smaller, and that content is what a PDF of many
  // pages spends its time on, in the writer and in compressing it.
  void DrawPageGlyphs() {
    if (page_glyphs_.isEmpty()) return;
    QGlyphRun run;
    run.setRawFont(raw_font_);
    run.setGlyphIndexes(page_glyphs_);
    run.setPositions(page_positions_);
    painter_->drawGlyphRun(QPointF(0, 0), run);
    page_glyphs_.clear();
    page_positions_.clear();
  }

  void DrawText(const QString& text, const QFontMetricsF& metrics, double left, double room, double advance, double y,
                double height, Qt::Alignment align) {
    const double x = (align & Qt::AlignHCenter) ? left + std::max(0.0, (room - advance) / 2) : left;
    const double baseline = y + (height - (metrics.ascent() + metrics.descent())) / 2 + metrics.ascent();
    painter_->drawText(QPointF(x, baseline), text);
  }

  // Draws `text` `room` wide from `left` in the two lines of the row at `y`, each line where a
  // one-line row's text would be. At spaces where there are any, else between characters (as
  // CJK text breaks); when breaking at spaces takes more than two lines, between characters,
  // which two lines of its column's width always hold (column_widths.h). Clipped by the caller.
  void DrawWrapped(const QString& text, const QFont& font, double left, double room, double y) {
    QTextLayout layout(text, font, painter_->device());
    if (LayOutLines(&layout, QTextOption::WrapAtWordBoundaryOrAnywhere, room) > 2) {
      LayOutLines(&layout, QTextOption::WrapAnywhere, room);
    }
    for (int i = 0; i < layout.lineCount(); ++i) {
      QTextLine line = layout.lineAt(i);
      line.setPosition(QPointF(0, y + i * row_height_ + (row_height_ - (line.ascent() + line.descent())) / 2));
    }
    layout.draw(painter_, QPointF(left, 0));
  }

  static int LayOutLines(QTextLayout* layout, QTextOption::WrapMode mode, double width) {
    QTextOption option;
    option.setWrapMode(mode);
    layout->setTextOption(option);
    layout->beginLayout();
    int lines = 0;
    for (QTextLine line = layout->createLine(); line.isValid(); line = layout->createLine()) {
      line.setLineWidth(width);
      ++lines;
    }
    layout->endLayout();
    return lines;
  }

  // Lines around every cell of every group at the row edges `edges_`; none across a separator.
  void DrawGrid() {
    if (edges_.size() < 2) return;
    const double top = edges_.front();
    const double bottom = edges_.back();
    painter_->setPen(pen_);
    const size_t cols = separator_.size();
    size_t c = 0;
    while (c < cols) {
      if (separator_[c]) {
        ++c;
        continue;
      }
      size_t end = c;
      while (end < cols && !separator_[end]) ++end;
      const double left = x_[c];
      const double right = x_[end];
      for (double y : edges_) painter_->drawLine(QLineF(left, y, right, y));
      for (size_t v = c; v <= end; ++v) painter_->drawLine(QLineF(x_[v], top, x_[v], bottom));
      c = end;
    }
  }

  QPainter* painter_ = nullptr;  // the page's, while DrawPage runs
  const Grid& result_;
  const PrintLayout& layout_;
  const PageSetup& setup_;
  double k_;
  double device_width_;
  double device_height_;
  double footer_height_ = 0;
  double header_height_ = 0;
  QString header_;
  double row_height_ = 0;
  double font_pt_ = 0;
  std::vector<double> x_;
  std::vector<bool> separator_;
  RowCells row_cells_;          // the row DrawRow draws
  std::vector<double> edges_;  // the page's row edges, top to bottom
  QFont font_;
  QFont title_font_;
  QFont footer_font_;
  std::optional<QFontMetricsF> metrics_;
  std::optional<QFontMetricsF> title_metrics_;
  QRawFont raw_font_;
  QList<quint32> glyphs_;  // the run DrawGlyphs draws
  QList<QPointF> advances_;
  QList<QPointF> positions_;
  QList<quint32> page_glyphs_;  // the page's glyph run, at their places on the page
  QList<QPointF> page_positions_;
  QPen pen_;
};

QString PageFooterText(int64_t page, int64_t pages) {
  return QStringLiteral("第 %1 页，共 %2 页").arg(page).arg(pages);
}

QFont PrintFont() {
  static const QString family = [] {
    const port::FontChoice choice = port::PrintFonts();
    const QStringList installed = QFontDatabase::families();
    for (const std::string& name : choice.families) {
      const QString wanted = QString::fromStdString(name);
      if (installed.contains(wanted)) return wanted;
    }
    for (const std::string& file : choice.files) {
      const QString path = QString::fromStdString(file);
      if (!QFile::exists(path)) continue;
      const int id = QFontDatabase::addApplicationFont(path);
      const QStringList families = QFontDatabase::applicationFontFamilies(id);
      if (!families.isEmpty()) return families.front();
    }
    return QString();
  }();
  QFont font = family.isEmpty() ? QFont() : QFont(family);
  // Outlines as drawn, not fitted to a screen's pixel grid: the PDF is printed at any size.
  font.setHintingPreference(QFont::PreferNoHinting);
  return font;
}

QPageLayout PageLayoutFor(const PageSetup& setup) {
  return QPageLayout(QPageSize(PageSizeIdOf(setup.paper)),
                     setup.orientation == Orientation::kLandscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                     QMarginsF(setup.margins.left, setup.margins.top, setup.margins.right, setup.margins.bottom),
                     QPageLayout::Millimeter);
}

PageRenderer::PageRenderer(const PrintDocument& document) : document_(document) {}

PageRenderer::~PageRenderer() = default;

void PageRenderer::Paint(QPainter& painter, int64_t page, const QSizeF& area) {
  assert(page >= 0 && page < PageCount());
  const double px_per_pt = painter.device()->logicalDpiY() / 72.0;
  if (painter_ == nullptr || px_per_pt != painter_px_per_pt_ || area != painter_area_) {
    painter_ = std::make_unique<PagePainter>(painter.device(), *document_.result, document_.layout, document_.setup,
                                             document_.geometry, px_per_pt, area.width(), area.height());
    painter_px_per_pt_ = px_per_pt;
    painter_area_ = area;
  }
  painter_->DrawPage(&painter, static_cast<size_t>(page));
}

QSize PageRenderer::PageImageSize(int dpi) const {
  const QSizeF paper = PageLayoutFor(document_.setup).fullRectPoints().size() * (dpi / 72.0);
  return QSize(static_cast<int>(std::ceil(paper.width())), static_cast<int>(std::ceil(paper.height())));
}

QImage PageRenderer::PageImage(int64_t page, int dpi) {
  // The printable area where a PDF's page has it, to the fraction of a pixel: a page rounded to
  // whole pixels would stand a little apart from the same page printed.
  const double px_per_pt = dpi / 72.0;
  const QRectF printable = PageLayoutFor(document_.setup).paintRectPoints().toRectF();
  QImage image(PageImageSize(dpi), QImage::Format_RGB32);
  // The image's own resolution is the one the text is measured and drawn at.
  const int dots_per_metre = static_cast<int>(std::lround(dpi / 0.0254));
  image.setDotsPerMeterX(dots_per_metre);
  image.setDotsPerMeterY(dots_per_metre);
  image.fill(Qt::white);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setRenderHint(QPainter::TextAntialiasing);
  painter.translate(printable.topLeft() * px_per_pt);
  Paint(painter, page, printable.size() * px_per_pt);
  painter.end();
  return image;
}

Status PaintPages(QPagedPaintDevice* device, const PrintDocument& document, const Progress& progress) {
  QPainter painter;
  if (!painter.begin(device)) return Status::Failed("cannot paint on the printer or file");
  PageRenderer pages(document);
  // The paged device's coordinates start at its printable area.
  const QSizeF area(device->width(), device->height());
  const int64_t count = pages.PageCount();
  for (int64_t b = 0; b < count; ++b) {
    if (b > 0 && !device->newPage()) {
      painter.end();
      return Status::Failed("cannot start page " + std::to_string(b + 1));
    }
    pages.Paint(painter, b, area);
    if (progress && !progress(b + 1, count)) {
      painter.end();
      return Status::Cancelled();
    }
  }
  if (!painter.end()) return Status::Failed("cannot finish the pages");
  return {};
}

Status WritePdf(const port::ReplacementPath& file, const PrintDocument& document, const Progress& progress) {
  const std::string& path = file.target();
  // The writer streams into a file of ours, so that a failed write (a full disk) is seen and
  // named: the writer itself goes on as if it had succeeded.
  QFile out(QString::fromStdString(file.temp_path()));
  if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
    return Status::Failed("cannot write '" + path + "': " + out.errorString().toStdString());
  }
  // Failed when a write into the file has failed, done otherwise.
  auto written = [&]() -> Status {
    if (out.error() == QFileDevice::NoError) return {};
    // QFile keeps no text for a failed write; the system's reason is in errno.
    const int cause = errno;
    return Status::Failed("cannot write '" + path +
                          "': " + (cause != 0 ? std::strerror(cause) : out.errorString().toStdString()));
  };
  {
    QPdfWriter writer(&out);
    writer.setCreator(QStringLiteral("Parvex"));
    if (!writer.setPageLayout(PageLayoutFor(document.setup))) {
      return Status::Failed("the printing system refused the page setup");
    }
    const Status painted = PaintPages(&writer, document, progress);
    if (Status s = written(); !s.ok()) return s;
    if (!painted.ok()) return painted;
  }
  if (!out.flush()) {
    if (Status s = written(); !s.ok()) return s;
    return Status::Failed("cannot write '" + path + "'");
  }
  out.close();
  return written();
}

}  // namespace parvex
