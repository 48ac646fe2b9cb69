#include "print/column_widths.h"

#include <QFontMetricsF>
#include <QImage>
#include <QString>
#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "print/page_renderer.h"
#include "print/print_layout.h"

namespace parvex {
namespace {

// Measured at 720 dots per inch, so that an advance in dots is ten times one in points and the
// widths do not depend on the screen's resolution.
constexpr double kDotsPerPoint = 10;
// What shaping a whole text may add to the sum of its characters' advances (kerning is
// usually negative; this covers the odd positive pair).
constexpr double kShapingSlack = 1.005;

// The advance of each character, cached: a column's widest text is found by summing them, and
// only that text is shaped whole.
class TextWidths {
 public:
  TextWidths(const PageSetup& setup, bool bold) : image_(1, 1, QImage::Format_Mono) {
    std::fill(std::begin(ascii_), std::end(ascii_), -1.0);
    image_.setDotsPerMeterX(static_cast<int>(std::lround(72 * kDotsPerPoint / 0.0254)));
    image_.setDotsPerMeterY(static_cast<int>(std::lround(72 * kDotsPerPoint / 0.0254)));
    QFont font = PrintFont();
    font.setPointSizeF(setup.font_size_pt);
    font.setBold(bold);
    metrics_.emplace(font, &image_);
    em_ = metrics_->horizontalAdvance(QChar(0x4E2D)) / kDotsPerPoint;  // 中: one full-width character
  }

  double em() const { return em_; }

  // The width of `utf8` in points, from its characters' advances.
  double Approximate(std::string_view utf8) {
    double sum = 0;
    size_t i = 0;
    while (i < utf8.size()) {
      const auto lead = static_cast<unsigned char>(utf8[i]);
      const size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
      char32_t code = lead < 0x80 ? lead : lead < 0xE0 ? (lead & 0x1F) : lead < 0xF0 ? (lead & 0x0F) : (lead & 0x07);
      for (size_t k = 1; k < length && i + k < utf8.size(); ++k) {
        code = (code << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
      }
      sum += Advance(code);
      i += length;
    }
    return sum;
  }

  double Exact(std::string_view utf8) {
    return metrics_->horizontalAdvance(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()))) /
           kDotsPerPoint;
  }

 private:
  double Advance(char32_t code) {
    if (code < 0x80 && ascii_[code] >= 0) return ascii_[code];
    if (auto it = others_.find(code); it != others_.end()) return it->second;
    const double advance = metrics_->horizontalAdvance(QString::fromUcs4(&code, 1)) / kDotsPerPoint;
    if (code < 0x80) {
      ascii_[code] = advance;
    } else {
      others_.emplace(code, advance);
    }
    return advance;
  }

  QImage image_;
  std::optional<QFontMetricsF> metrics_;
  double em_ = 0;
  double ascii_[128];  // -1: not measured yet
  std::unordered_map<char32_t, double> others_;
};

// The widest text of each column: `columns` source columns of `groups` groups, a separator
// column between neighbouring groups, in rows `first_row` on (a title row is measured apart).
std::vector<double> Measure(const Grid& grid, int32_t groups, int32_t columns, bool has_title, const PageSetup& setup) {
  TextWidths plain(setup, false);
  TextWidths bold(setup, true);
  const auto cols = static_cast<size_t>(std::max(columns, 0));
  std::vector<double> widest(cols, 0);
  std::vector<std::string> widest_text(cols);
  std::vector<bool> widest_bold(cols, false);
  std::string utf8;
  for (int32_t row = 0; row < grid.RowCount(); ++row) {
    const bool title = has_title && row == 0;
    TextWidths& widths = title ? bold : plain;
    for (int32_t g = 0; g < groups; ++g) {
      for (int32_t c = 0; c < columns; ++c) {
        const std::string_view bytes = grid.CellView(row, g * (columns + 1) + c);
        if (bytes.empty()) continue;
        utf8 = CellTextUtf8(bytes);
        const double width = widths.Approximate(utf8);
        const auto ci = static_cast<size_t>(c);
        if (width > widest[ci]) {
          widest[ci] = width;
          widest_text[ci] = utf8;
          widest_bold[ci] = title;
        }
      }
    }
  }
  std::vector<double> result(cols);
  for (size_t c = 0; c < cols; ++c) {
    double text = widest[c];
    if (!widest_text[c].empty()) text = std::max(text, (widest_bold[c] ? bold : plain).Exact(widest_text[c]));
    result[c] = std::max(text * kShapingSlack, plain.em()) + 2 * kCellPaddingPt;
  }
  return result;
}

}  // namespace

std::vector<double> ColumnWidthsFromContents(const Grid& source, const PagePlan& plan, const PageSetup& setup) {
  return Measure(source, 1, plan.source_columns, plan.has_title, setup);
}

std::vector<double> ColumnWidthsOfResult(const Grid& result, const PagePlan& plan, const PageSetup& setup) {
  return Measure(result, plan.groups, plan.source_columns, plan.has_title, setup);
}

}  // namespace parvex
