#include "print/page_renderer.h"

#include <QFile>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QPen>
#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

#include "port/fonts.h"

namespace parvex {
namespace {

// Type is never shrunk below this to fit a cell; what is still too wide is clipped.
constexpr double kMinTextPt = 3;
constexpr double kCellPaddingPt = 2;
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

// Everything one page needs, in device pixels.
class Painter {
 public:
  Painter(QPainter* painter, const Grid& result, const PrintLayout& layout, const PageSetup& setup,
          const PageGeometry& geometry, double px_per_pt, double device_width, double device_height)
      : painter_(painter), result_(result), layout_(layout), setup_(setup), k_(px_per_pt),
        device_width_(device_width), device_height_(device_height) {
    const int32_t title_rows = layout.has_title ? 1 : 0;
    const double rows = std::max(1, layout.TallestBlock() + title_rows);
    double total_width = 0;
    for (const PrintColumn& column : geometry.columns) total_width += column.width_pt;
    footer_height_ = geometry.footer_height_pt * k_;
    // The page's own scale, lowered further when the device is smaller than the setup's paper
    // or the scale stopped at a spreadsheet's lowest percentage.
    const double scale = geometry.scale();
    const double scale_x = total_width > 0 ? std::min(scale, device_width_ / (total_width * k_)) : scale;
    const double scale_y = std::min(scale, (device_height_ - footer_height_) / (rows * geometry.row_height_pt * k_));
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
    metrics_.emplace(font_, painter_->device());
    title_metrics_.emplace(title_font_, painter_->device());
  }

  void DrawPage(size_t block_index) {
    const PageBlock& block = layout_.blocks[block_index];
    const bool title = layout_.has_title && (setup_.repeat_title || block_index == 0);
    double y = 0;
    const double top = y;
    if (title) {
      DrawRow(0, y, title_font_, *title_metrics_, Qt::AlignHCenter);
      y += row_height_;
    }
    for (int32_t r = 0; r < block.row_count; ++r) {
      DrawRow(block.first_row + r, y, font_, *metrics_, Qt::AlignLeft);
      y += row_height_;
    }
    DrawGrid(top, y);
    painter_->setFont(footer_font_);
    painter_->drawText(QRectF(0, device_height_ - footer_height_, device_width_, footer_height_),
                       Qt::AlignHCenter | Qt::AlignBottom,
                       PageFooterText(static_cast<int64_t>(block_index) + 1, static_cast<int64_t>(layout_.blocks.size())));
  }

 private:
  void DrawRow(int32_t row, double y, const QFont& font, const QFontMetricsF& metrics, Qt::Alignment align) {
    const int32_t cols = std::min<int32_t>(result_.ColCount(), static_cast<int32_t>(separator_.size()));
    const double padding = kCellPaddingPt * k_ * font_pt_ / std::max(setup_.font_size_pt, 1.0);
    bool font_set = false;
    result_.GetRowCells(row, &row_cells_);
    for (int32_t c = 0; c < cols; ++c) {
      const auto ci = static_cast<size_t>(c);
      if (separator_[ci]) continue;
      const std::string_view bytes = ci < row_cells_.size() ? result_.Text(row_cells_[ci]) : std::string_view();
      if (bytes.empty()) continue;
      const double left = x_[ci];
      const double width = x_[ci + 1] - left;
      const double room = width - 2 * padding;
      if (room <= 0) continue;
      const QString text = FromCell(bytes);
      if (!font_set) {
        painter_->setFont(font);
        font_set = true;
      }
      const double advance = metrics.horizontalAdvance(text);
      if (advance <= room) {
        DrawText(text, metrics, left + padding, room, advance, y, align);
        continue;
      }
      // Too wide: smaller type, down to a floor; then clipped to the cell.
      QFont smaller = font;
      const double size = std::max(font.pointSizeF() * room / advance * 0.98, kMinTextPt * font_pt_ / setup_.font_size_pt);
      smaller.setPointSizeF(std::max(size, 0.5));
      const QFontMetricsF small_metrics(smaller, painter_->device());
      const double small_advance = small_metrics.horizontalAdvance(text);
      painter_->setFont(smaller);
      if (small_advance > room) {
        painter_->save();
        painter_->setClipRect(QRectF(left, y, width, row_height_));
        DrawText(text, small_metrics, left + padding, room, small_advance, y, Qt::AlignLeft);
        painter_->restore();
      } else {
        DrawText(text, small_metrics, left + padding, room, small_advance, y, align);
      }
      painter_->setFont(font);
    }
  }

  void DrawText(const QString& text, const QFontMetricsF& metrics, double left, double room, double advance, double y,
                Qt::Alignment align) {
    const double x = (align & Qt::AlignHCenter) ? left + std::max(0.0, (room - advance) / 2) : left;
    const double baseline = y + (row_height_ - (metrics.ascent() + metrics.descent())) / 2 + metrics.ascent();
    painter_->drawText(QPointF(x, baseline), text);
  }

  // Lines around every cell of every group from `top` to `bottom`; none across a separator.
  void DrawGrid(double top, double bottom) {
    if (bottom <= top) return;
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
      for (double y = top; y <= bottom + 0.01; y += row_height_) painter_->drawLine(QLineF(left, y, right, y));
      for (size_t v = c; v <= end; ++v) painter_->drawLine(QLineF(x_[v], top, x_[v], bottom));
      c = end;
    }
  }

  QPainter* painter_;
  const Grid& result_;
  const PrintLayout& layout_;
  const PageSetup& setup_;
  double k_;
  double device_width_;
  double device_height_;
  double footer_height_ = 0;
  double row_height_ = 0;
  double font_pt_ = 0;
  std::vector<double> x_;
  std::vector<bool> separator_;
  std::vector<CellRef> row_cells_;  // the row DrawRow draws
  QFont font_;
  QFont title_font_;
  QFont footer_font_;
  std::optional<QFontMetricsF> metrics_;
  std::optional<QFontMetricsF> title_metrics_;
  QPen pen_;
};

}  // namespace

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

bool PaintPages(QPagedPaintDevice* device, const Grid& result, const PrintLayout& layout, const PageSetup& setup,
                std::string* error, const Progress& progress) {
  PageGeometry geometry;
  const int64_t rows_on_page = int64_t{layout.TallestBlock()} + (layout.has_title ? 1 : 0);
  if (!ComputePageGeometry(setup, layout.columns, rows_on_page, &geometry, error)) return false;
  QPainter painter;
  if (!painter.begin(device)) {
    *error = "cannot paint on the printer or file";
    return false;
  }
  const double px_per_pt = device->logicalDpiY() / 72.0;
  Painter pages(&painter, result, layout, setup, geometry, px_per_pt, device->width(), device->height());
  const auto count = static_cast<int64_t>(layout.blocks.size());
  for (size_t b = 0; b < layout.blocks.size(); ++b) {
    if (b > 0 && !device->newPage()) {
      painter.end();
      *error = "cannot start page " + std::to_string(b + 1);
      return false;
    }
    pages.DrawPage(b);
    if (progress && !progress(static_cast<int64_t>(b) + 1, count)) {
      painter.end();
      *error = kCancelledMessage;
      return false;
    }
  }
  if (!painter.end()) {
    *error = "cannot finish the pages";
    return false;
  }
  return true;
}

bool WritePdf(const std::string& path, const Grid& result, const PrintLayout& layout, const PageSetup& setup,
              std::string* error, const Progress& progress) {
  if (!ValidatePageSetup(setup, error)) return false;
  ReplacementPath file;
  if (!file.Open(path, error)) return false;
  {
    QPdfWriter writer(QString::fromStdString(file.temp_path()));
    writer.setCreator(QStringLiteral("Parvex"));
    if (!writer.setPageLayout(PageLayoutFor(setup))) {
      *error = "the printing system refused the page setup";
      return false;
    }
    if (!PaintPages(&writer, result, layout, setup, error, progress)) return false;
  }
  return file.Commit(error);
}

}  // namespace parvex
