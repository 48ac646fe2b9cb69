#include "print/page_setup.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace parvex {
namespace {

struct PaperInfo {
  Paper paper;
  std::string_view name;
  SizeMm size;
  int spreadsheet_code;
};

// B5 is the JIS size (182 x 257 mm) that spreadsheets and Chinese printers call B5.
constexpr PaperInfo kPapers[] = {
    {Paper::kA4, "A4", {210, 297}, 9},
    {Paper::kA3, "A3", {297, 420}, 8},
    {Paper::kA5, "A5", {148, 210}, 11},
    {Paper::kB5, "B5", {182, 257}, 13},
    {Paper::kLetter, "Letter", {215.9, 279.4}, 1},
    {Paper::kLegal, "Legal", {215.9, 355.6}, 5},
};

const PaperInfo& InfoOf(Paper paper) {
  for (const PaperInfo& info : kPapers) {
    if (info.paper == paper) return info;
  }
  return kPapers[0];
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string Number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", value);
  return text;
}

// Rounds a height up to whole pixels; a hair of floating-point noise does not add a pixel.
double WholePixelsUp(double pt) { return std::ceil(pt / kPointsPerPixel - 1e-9) * kPointsPerPixel; }

// The largest whole percentage not above `fraction`.
int PercentDown(double fraction) { return static_cast<int>(std::floor(fraction * 100 + 1e-9)); }

}  // namespace

std::string_view PaperName(Paper paper) { return InfoOf(paper).name; }

std::optional<Paper> PaperFromName(std::string_view name) {
  for (const PaperInfo& info : kPapers) {
    if (info.name.size() == name.size() &&
        std::equal(name.begin(), name.end(), info.name.begin(), [](char a, char b) { return Lower(a) == Lower(b); })) {
      return info.paper;
    }
  }
  return std::nullopt;
}

const std::vector<Paper>& AllPapers() {
  static const std::vector<Paper> papers = [] {
    std::vector<Paper> list;
    for (const PaperInfo& info : kPapers) list.push_back(info.paper);
    return list;
  }();
  return papers;
}

SizeMm PaperSizeMm(Paper paper) { return InfoOf(paper).size; }

int SpreadsheetPaperCode(Paper paper) { return InfoOf(paper).spreadsheet_code; }

Status ValidatePageSetup(const PageSetup& setup) {
  const std::pair<const char*, double> margins[] = {{"top", setup.margins.top},
                                                    {"right", setup.margins.right},
                                                    {"bottom", setup.margins.bottom},
                                                    {"left", setup.margins.left}};
  for (const auto& [side, mm] : margins) {
    if (!std::isfinite(mm) || mm < 0) {
      return Status::Failed(std::string(side) + " margin " + Number(mm) + " mm is not a length (0 or more)");
    }
  }
  if (!std::isfinite(setup.font_size_pt) || setup.font_size_pt < kMinFontSizePt ||
      setup.font_size_pt > kMaxFontSizePt) {
    return Status::Failed("font size " + Number(setup.font_size_pt) + " pt is outside " + Number(kMinFontSizePt) +
                          " to " + Number(kMaxFontSizePt) + " pt");
  }
  if (!std::isfinite(setup.row_height_pt) || (setup.row_height_pt != 0 && setup.row_height_pt < setup.font_size_pt) ||
      setup.row_height_pt > 409) {
    return Status::Failed("row height " + Number(setup.row_height_pt) +
                          " pt is neither 0 (from the font size) nor between the font size " +
                          Number(setup.font_size_pt) + " pt and 409 pt");
  }
  if (setup.header.size() > kMaxHeaderBytes ||
      std::any_of(setup.header.begin(), setup.header.end(), [](char c) { return c == '\n' || c == '\r'; })) {
    return Status::Failed("the page header is not one line of at most " + std::to_string(kMaxHeaderBytes) + " bytes");
  }
  return {};
}

double PrintedRowHeightPt(const PageSetup& setup) {
  // A line of text and its leading: 10 pt type in 18 pt (24 pixel) rows, the grid's own height.
  const double wanted = setup.row_height_pt > 0 ? setup.row_height_pt : setup.font_size_pt * 1.8;
  return WholePixelsUp(wanted);
}

Status ComputePageGeometry(const PageSetup& setup, const std::vector<PrintColumn>& grid_columns,
                           std::optional<int64_t> rows_on_page, PageGeometry* geometry) {
  if (Status s = ValidatePageSetup(setup); !s.ok()) return s;
  PageGeometry g;
  const SizeMm size = PaperSizeMm(setup.paper);
  const bool landscape = setup.orientation == Orientation::kLandscape;
  g.paper_width_pt = (landscape ? size.height : size.width) * kPointsPerMm;
  g.paper_height_pt = (landscape ? size.width : size.height) * kPointsPerMm;
  g.printable_width_pt = g.paper_width_pt - (setup.margins.left + setup.margins.right) * kPointsPerMm;
  g.printable_height_pt = g.paper_height_pt - (setup.margins.top + setup.margins.bottom) * kPointsPerMm;
  g.row_height_pt = PrintedRowHeightPt(setup);
  g.footer_height_pt = WholePixelsUp(setup.font_size_pt * 1.6);
  if (!setup.header.empty()) g.header_height_pt = g.footer_height_pt;
  const double body_height = g.body_height_pt();
  if (g.printable_width_pt < 72 || body_height < 2 * g.row_height_pt * kMinScalePercent / 100.0) {
    return Status::Failed("the margins leave too little of the " + std::string(PaperName(setup.paper)) + " paper (" +
                          Number(std::round(g.printable_width_pt / kPointsPerMm)) + " x " +
                          Number(std::round(g.printable_height_pt / kPointsPerMm)) + " mm) to print on");
  }

  double data_width = 0;
  double separator_width = 0;
  g.columns.reserve(grid_columns.size());
  for (const PrintColumn& column : grid_columns) {
    PrintColumn printed = column;
    // A hidden column stays hidden; a separator is a fixed gap whatever its grid width.
    if (printed.width_pt <= 0) {
      printed.width_pt = 0;
    } else if (printed.separator) {
      printed.width_pt = kSeparatorWidthPt;
    }
    (printed.separator ? separator_width : data_width) += printed.width_pt;
    g.columns.push_back(printed);
  }
  const double total = data_width + separator_width;
  if (total > g.printable_width_pt) {
    g.scale_percent = std::clamp(PercentDown(g.printable_width_pt / total), kMinScalePercent, kMaxScalePercent);
  } else if (data_width > 0) {
    // Narrower than the page: widen the data columns, keep the type at its size.
    const double stretch = (g.printable_width_pt - separator_width) / data_width;
    for (PrintColumn& column : g.columns) {
      if (!column.separator) column.width_pt *= stretch;
    }
  }
  if (rows_on_page.has_value() && *rows_on_page > 0) {
    const double fits = body_height / (static_cast<double>(*rows_on_page) * g.row_height_pt);
    if (fits < 1) g.scale_percent = std::clamp(std::min(g.scale_percent, PercentDown(fits)), kMinScalePercent, kMaxScalePercent);
  }
  *geometry = std::move(g);
  return {};
}

int32_t GroupsThatFit(const PageSetup& setup, const std::vector<double>& widths_pt, int32_t limit) {
  PageGeometry g;
  if (limit <= 1 || !ComputePageGeometry(setup, {}, std::nullopt, &g).ok()) return 1;
  double group = 0;
  for (double width : widths_pt) group += std::max(width, 0.0);
  if (group <= 0) return limit;
  // N groups take N * group + (N - 1) * separator; a hair of rounding does not lose a group.
  const double fit = std::floor((g.printable_width_pt + kSeparatorWidthPt) / (group + kSeparatorWidthPt) + 1e-9);
  return static_cast<int32_t>(std::clamp(fit, 1.0, static_cast<double>(limit)));
}

Status RowsPerPage(const PageSetup& setup, const std::vector<PrintColumn>& grid_columns, bool has_title,
                   int32_t* rows) {
  PageGeometry g;
  if (Status s = ComputePageGeometry(setup, grid_columns, std::nullopt, &g); !s.ok()) return s;
  const double body_height = g.body_height_pt();
  const double fit = std::floor(body_height / (g.row_height_pt * g.scale()) + 1e-9) - (has_title ? 1 : 0);
  if (fit < 2) {
    return Status::Failed("only " + Number(std::max(fit, 0.0)) + " data rows of " + Number(g.row_height_pt) +
                          " pt fit on a page; at least 2 must");
  }
  *rows = static_cast<int32_t>(std::min(fit, 32767.0));
  return {};
}

}  // namespace parvex
