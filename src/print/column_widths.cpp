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

#include "port/utf8.h"
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
// What a width may lose in being padded and stretched again: not a text wider than its cell.
constexpr double kRoundingPt = 1e-6;

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
    for (size_t i = 0; i < utf8.size();) sum += Advance(port::NextUtf8Character(utf8, &i));
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

// The printable width of `setup`'s paper; 0 for a setup that leaves no room.
double PrintableWidth(const PageSetup& setup) {
  PageGeometry g;
  return ComputePageGeometry(setup, {}, std::nullopt, &g).ok() ? g.printable_width_pt : 0;
}

// The columns of `grid`'s groups, as `geometry` places them; row 0 is the title row when
// `has_title`.
ColumnMeasures Measure(const Grid& grid, const GroupGeometry& geometry, bool has_title, const PageSetup& setup) {
  const int32_t groups = geometry.groups;
  const int32_t columns = geometry.source_columns;
  TextWidths plain(setup, false);
  TextWidths bold(setup, true);
  const auto cols = static_cast<size_t>(std::max(columns, 0));
  const int32_t first_data = has_title ? 1 : 0;
  std::vector<double> title(cols, 0);
  std::vector<double> widest(cols, 0);
  std::vector<std::string> widest_text(cols);
  // Every data text's width, for the percentile (a float is precise enough for it and halves
  // what a million rows hold); empty cells are not texts.
  std::vector<std::vector<float>> widths(cols);
  const size_t texts = static_cast<size_t>(std::max(grid.RowCount() - first_data, 0)) * static_cast<size_t>(std::max(groups, 1));
  for (std::vector<float>& w : widths) w.reserve(texts);
  std::string utf8;
  if (has_title && grid.RowCount() > 0) {
    for (int32_t g = 0; g < groups; ++g) {
      for (int32_t c = 0; c < columns; ++c) {
        const std::string_view bytes = grid.CellView(0, static_cast<int32_t>(geometry.ResultColumn(g, c)));
        if (bytes.empty()) continue;
        utf8 = CellTextUtf8(bytes);
        auto& t = title[static_cast<size_t>(c)];
        t = std::max({t, bold.Approximate(utf8), bold.Exact(utf8)});
      }
    }
  }
  for (int32_t row = first_data; row < grid.RowCount(); ++row) {
    for (int32_t g = 0; g < groups; ++g) {
      for (int32_t c = 0; c < columns; ++c) {
        const std::string_view bytes = grid.CellView(row, static_cast<int32_t>(geometry.ResultColumn(g, c)));
        if (bytes.empty()) continue;
        utf8 = CellTextUtf8(bytes);
        const double width = plain.Approximate(utf8);
        const auto ci = static_cast<size_t>(c);
        widths[ci].push_back(static_cast<float>(width));
        if (width > widest[ci]) {
          widest[ci] = width;
          widest_text[ci] = utf8;
        }
      }
    }
  }
  const double em = plain.em();
  auto printed = [em](double text) { return std::max(text * kShapingSlack, em) + 2 * kCellPaddingPt; };
  ColumnMeasures m;
  m.one_line_pt.resize(cols);
  m.wrapped_pt.resize(cols);
  m.widest_pt.resize(cols);
  for (size_t c = 0; c < cols; ++c) {
    const double data = widest_text[c].empty() ? 0 : std::max(widest[c], plain.Exact(widest_text[c]));
    m.widest_pt[c] = data;
    m.one_line_pt[c] = printed(std::max(data, title[c]));
    m.wrapped_pt[c] = m.one_line_pt[c];
    std::vector<float>& w = widths[c];
    if (w.size() < 2) continue;
    const auto k = static_cast<size_t>(static_cast<double>(w.size() - 1) * kWrapPercentile / 100);
    std::nth_element(w.begin(), w.begin() + static_cast<std::ptrdiff_t>(k), w.end());
    const double percentile = w[k];
    if (data > kOutlierRatio * percentile && data - percentile > kOutlierEms * em) {
      m.wrapped_pt[c] = std::min(m.one_line_pt[c], printed(std::max({percentile, data / 2 + em, title[c]})));
    }
    std::vector<float>().swap(w);  // the next column's texts need the memory
  }
  return m;
}

}  // namespace

std::vector<double> ColumnMeasures::WidthsFor(int32_t groups, const PageSetup& setup) const {
  if (one_line_pt == wrapped_pt) return one_line_pt;
  double group = 0;
  for (double width : one_line_pt) group += width;
  // The arithmetic of GroupsThatFit, so that fitted groups and the widths agree.
  const double fit = (PrintableWidth(setup) + kSeparatorWidthPt) / (group + kSeparatorWidthPt) + 1e-9;
  return fit >= std::max(groups, 1) ? one_line_pt : wrapped_pt;
}

ColumnMeasures MeasureSourceColumns(const Grid& source, const PagePlan& plan, const PageSetup& setup) {
  return Measure(source, {plan.geometry.source_columns, 1}, plan.has_title, setup);
}

ColumnMeasures MeasureResultColumns(const Grid& result, const PagePlan& plan, const PageSetup& setup) {
  return Measure(result, plan.geometry, plan.has_title, setup);
}

std::vector<double> ColumnWidthsFromContents(const Grid& source, const PagePlan& plan, const PageSetup& setup) {
  return MeasureSourceColumns(source, plan, setup).WidthsFor(plan.geometry.groups, setup);
}

std::vector<int64_t> TwoLineRows(const Grid& grid, const GroupGeometry& geometry, int32_t first_row,
                                 const ColumnMeasures& measures, const std::vector<PrintColumn>& columns,
                                 const PageSetup& setup) {
  const int32_t cols = geometry.source_columns;
  std::vector<int32_t> candidates;
  std::vector<double> room;
  for (int32_t c = 0; c < cols; ++c) {
    const auto ci = static_cast<size_t>(c);
    if (ci >= columns.size() || ci >= measures.widest_pt.size()) break;
    const double r = columns[ci].width_pt - 2 * kCellPaddingPt;
    if (measures.widest_pt[ci] * kShapingSlack > r + kRoundingPt) {
      candidates.push_back(c);
      room.push_back(r);
    }
  }
  std::vector<int64_t> rows;
  if (candidates.empty()) return rows;
  TextWidths plain(setup, false);
  std::string utf8;
  for (int32_t row = std::max(first_row, 0); row < grid.RowCount(); ++row) {
    bool two_lines = false;
    for (int32_t g = 0; g < geometry.groups && !two_lines; ++g) {
      for (size_t k = 0; k < candidates.size() && !two_lines; ++k) {
        const std::string_view bytes = grid.CellView(row, static_cast<int32_t>(geometry.ResultColumn(g, candidates[k])));
        if (bytes.empty()) continue;
        utf8 = CellTextUtf8(bytes);
        // The slack of the widths: a text the renderer might find a hair wider wraps too.
        two_lines = plain.Approximate(utf8) * kShapingSlack > room[k] + kRoundingPt;
      }
    }
    if (two_lines) rows.push_back(row);
  }
  return rows;
}

Status MeasurePrintDocument(const Grid& result, const PagePlan& plan, const PageSetup& setup, PrintDocument* document,
                            const ColumnMeasures* measured) {
  if (Status s = PlanFitsGrid(plan, result); !s.ok()) return s;
  const ColumnMeasures measures = measured != nullptr ? *measured : MeasureResultColumns(result, plan, setup);
  std::vector<double> widths = measures.WidthsFor(plan.geometry.groups, setup);
  PageGeometry unscaled;
  if (Status s = ComputePageGeometry(setup, PrintLayoutOf(plan, widths).columns, std::nullopt, &unscaled); !s.ok()) {
    return s;
  }
  return PrintDocumentOf(result, plan, setup, std::move(widths),
                         TwoLineRows(result, plan.geometry, plan.has_title ? 1 : 0, measures, unscaled.columns, setup),
                         document);
}

}  // namespace parvex
