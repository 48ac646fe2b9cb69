#include "print/xlsx_writer.h"

#include <xlsxwriter.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <cmath>
#include <filesystem>
#include <vector>

#include "port/quiet_stderr.h"
#include "port/replace_file.h"
#include "print/print_layout.h"

namespace parvex {
namespace {

namespace fs = std::filesystem;

// Spreadsheets store a column's width in characters of the workbook's default font (Calibri).
// An office suite without that font measures the character with the one it substitutes:
// LibreOffice with DejaVu Sans draws every column about a third wider. Keep that much of the page
// free, so that a block never spills onto a second page sideways wherever it is printed.
constexpr double kWidthSlack = 0.72;

constexpr const char* kCellFont = "宋体";

// Characters of UTF-8 text (code points), as a spreadsheet counts a cell's length.
int64_t CountChars(std::string_view utf8) {
  int64_t n = 0;
  for (char c : utf8) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
  return n;
}

class Workbook {
 public:
  explicit Workbook(lxw_workbook* book) : book_(book) {}
  // A workbook given up before it is closed (cancelled, failed) keeps its streamed worksheets'
  // temporary files open: lxw_workbook_free does not close them. On Windows such a file stays
  // beside the target until the program ends, so they are closed here first.
  ~Workbook() {
    if (book_ == nullptr) return;
    lxw_worksheet* sheet = nullptr;
    LXW_FOREACH_WORKSHEET(sheet, book_) {
      if (sheet->optimize_tmpfile != nullptr) {
        std::fclose(sheet->optimize_tmpfile);
        sheet->optimize_tmpfile = nullptr;
        sheet->file = nullptr;
      }
    }
    lxw_workbook_free(book_);
  }
  Workbook(const Workbook&) = delete;
  Workbook& operator=(const Workbook&) = delete;
  lxw_workbook* get() const { return book_; }
  lxw_error Close() {
    lxw_workbook* book = book_;
    book_ = nullptr;
    return workbook_close(book);  // frees the workbook whatever it returns
  }

 private:
  lxw_workbook* book_;
};

// `wrap`: the cell's text wraps onto more lines at the cell's width, as in a two-line row.
lxw_format* CellFormat(lxw_workbook* book, const PageSetup& setup, bool title, bool wrap = false) {
  lxw_format* format = workbook_add_format(book);
  format_set_font_name(format, kCellFont);
  format_set_font_size(format, setup.font_size_pt);
  format_set_num_format_index(format, 49);  // "@": what the user types later stays text too
  format_set_border(format, LXW_BORDER_THIN);
  format_set_align(format, title ? LXW_ALIGN_CENTER : LXW_ALIGN_LEFT);
  format_set_align(format, LXW_ALIGN_VERTICAL_CENTER);
  // A text wider than its cell wraps in a two-line row, and is shrunk to fit rather than spilling
  // over its neighbour in another row (a spreadsheet does not do both).
  if (wrap) {
    format_set_text_wrap(format);
  } else {
    format_set_shrink(format);
  }
  if (title) format_set_bold(format);
  return format;
}

}  // namespace

int32_t XlsxBlocksPerSheet(const PrintLayout& layout) {
  const int64_t tallest = std::max<int64_t>(layout.TallestBlock(), 1);
  const int64_t room = kXlsxMaxRows - (layout.has_title ? 1 : 0);
  return static_cast<int32_t>(std::clamp<int64_t>(room / tallest, 1, kXlsxMaxBreaks + 1));
}

namespace {

Status Write(const port::ReplacementPath& file, const PrintDocument& document, const Progress& progress,
             const XlsxOptions& xlsx_options) {
  const std::string& path = file.target();
  const Grid& result = *document.result;
  const PrintLayout& layout = document.layout;
  const PageSetup& setup = document.setup;
  const PageGeometry& geometry = document.geometry;
  const int32_t cols = result.ColCount();
  if (cols > kXlsxMaxCols) {
    return Status::Failed("the layout has " + std::to_string(cols) + " columns; a worksheet holds at most " +
                          std::to_string(kXlsxMaxCols));
  }

  const int64_t cells = int64_t{result.RowCount()} * cols;
  lxw_workbook_options options{};
  options.constant_memory = cells > xlsx_options.streaming_above_cells ? LXW_TRUE : LXW_FALSE;
  // A worksheet's XML passes 4 GB only with some 20 million cells.
  options.use_zip64 = cells > 20'000'000 ? LXW_TRUE : LXW_FALSE;
  // The library's own temporary files go beside the workbook: a disk too full for them is then
  // too full for the workbook as well, and that failure is reported, where one in the system's
  // temporary folder would only shorten a worksheet unseen.
  const std::string folder = fs::path(file.temp_path()).parent_path().string();
  options.tmpdir = folder.empty() ? nullptr : const_cast<char*>(folder.c_str());
  Workbook book(workbook_new_opt(file.temp_path().c_str(), &options));
  if (book.get() == nullptr) {
    return Status::Failed("cannot start the workbook '" + path + "'");
  }
  lxw_format* title_format = CellFormat(book.get(), setup, true);
  lxw_format* cell_format = CellFormat(book.get(), setup, false);
  lxw_format* wrap_format = CellFormat(book.get(), setup, false, true);

  std::string header;
  if (!setup.header.empty()) {
    header = "&C";
    for (char c : setup.header) header += c == '&' ? std::string("&&") : std::string(1, c);
  }

  const int64_t total_rows = result.RowCount();
  int64_t rows_done = 0;
  std::string text;
  RowCells row_cells(result);
  const size_t blocks_per_sheet = static_cast<size_t>(XlsxBlocksPerSheet(layout));
  std::vector<bool> is_data_column(static_cast<size_t>(cols));
  for (int32_t c = 0; c < cols; ++c) is_data_column[static_cast<size_t>(c)] = !layout.columns[static_cast<size_t>(c)].separator;

  // Writes grid row `row` as worksheet row `sheet_row`, two lines tall when the layout says so.
  auto write_row = [&](lxw_worksheet* sheet, lxw_row_t sheet_row, int32_t row, lxw_format* format) -> Status {
    const bool two_lines = layout.IsTwoLines(row);
    if (two_lines) format = wrap_format;
    worksheet_set_row(sheet, sheet_row, geometry.row_height_pt * (two_lines ? 2 : 1), nullptr);
    row_cells.Read(row);
    for (int32_t c = 0; c < cols; ++c) {
      if (!is_data_column[static_cast<size_t>(c)]) continue;
      const std::string_view cell = row_cells.Text(c);
      const auto col = static_cast<lxw_col_t>(c);
      if (cell.empty()) {
        worksheet_write_blank(sheet, sheet_row, col, format);
        continue;
      }
      text = CellTextUtf8(cell);
      if (CountChars(text) > kXlsxMaxCellChars) {
        return Status::Failed("cell (" + std::to_string(row) + ", " + std::to_string(c) + ") holds " +
                              std::to_string(CountChars(text)) + " characters; a spreadsheet cell holds at most " +
                              std::to_string(kXlsxMaxCellChars));
      }
      const lxw_error status = worksheet_write_string(sheet, sheet_row, col, text.c_str(), format);
      if (status != LXW_NO_ERROR) {
        return Status::Failed(std::string("cannot write cell (") + std::to_string(row) + ", " + std::to_string(c) +
                              "): " + lxw_strerror(status));
      }
    }
    return {};
  };

  for (size_t first_block = 0; first_block < layout.blocks.size(); first_block += blocks_per_sheet) {
    const size_t end_block = std::min(layout.blocks.size(), first_block + blocks_per_sheet);
    lxw_worksheet* sheet = workbook_add_worksheet(book.get(), nullptr);
    if (sheet == nullptr) {
      return Status::Failed("cannot add a worksheet");
    }
    for (int32_t c = 0; c < cols; ++c) {
      const double width_pt = geometry.columns[static_cast<size_t>(c)].width_pt;
      const auto col = static_cast<lxw_col_t>(c);
      if (width_pt <= 0) {
        lxw_row_col_options hidden{};
        hidden.hidden = LXW_TRUE;
        worksheet_set_column_opt(sheet, col, col, 0, nullptr, &hidden);
      } else {
        const auto pixels = static_cast<uint32_t>(std::max(1.0, std::floor(width_pt * kWidthSlack / kPointsPerPixel)));
        worksheet_set_column_pixels(sheet, col, col, pixels, nullptr);
      }
    }

    lxw_row_t sheet_row = 0;
    if (layout.has_title) {
      if (Status s = write_row(sheet, sheet_row++, 0, title_format); !s.ok()) return s;
    }
    std::vector<lxw_row_t> breaks;
    for (size_t b = first_block; b < end_block; ++b) {
      const PageBlock& block = layout.blocks[b];
      if (b != first_block) breaks.push_back(sheet_row);
      for (int32_t r = 0; r < block.row_count; ++r) {
        if (Status s = write_row(sheet, sheet_row++, block.first_row + r, cell_format); !s.ok()) return s;
        if ((++rows_done & 4095) == 0 && progress && !progress(rows_done, total_rows)) return Status::Cancelled();
      }
    }
    breaks.push_back(0);  // the list's end
    if (breaks.size() > 1) worksheet_set_h_pagebreaks(sheet, breaks.data());
    if (layout.has_title && setup.repeat_title) worksheet_repeat_rows(sheet, 0, 0);
    const lxw_row_t last_row = sheet_row > 0 ? sheet_row - 1 : 0;
    worksheet_print_area(sheet, 0, 0, last_row, static_cast<lxw_col_t>(std::max(cols, 1) - 1));
    worksheet_set_paper(sheet, static_cast<uint8_t>(SpreadsheetPaperCode(setup.paper)));
    if (setup.orientation == Orientation::kLandscape) {
      worksheet_set_landscape(sheet);
    } else {
      worksheet_set_portrait(sheet);
    }
    const double inch = 25.4;
    worksheet_set_margins(sheet, setup.margins.left / inch, setup.margins.right / inch, setup.margins.top / inch,
                          setup.margins.bottom / inch);
    worksheet_set_print_scale(sheet, static_cast<uint16_t>(geometry.scale_percent));
    // The PDF's footer, and its header when there is one; "&" starts a code in these texts.
    if (worksheet_set_footer(sheet, "&C第 &P 页，共 &N 页") != LXW_NO_ERROR ||
        (!header.empty() && worksheet_set_header(sheet, header.c_str()) != LXW_NO_ERROR)) {
      return Status::Failed("the page header is too long for a spreadsheet's page setup (255 characters at most)");
    }
  }

  errno = 0;
  const lxw_error closed = book.Close();
  if (closed != LXW_NO_ERROR) {
    // The library's text guesses at a cause ("usually a permissions error"); the system's says
    // what happened, such as a full disk.
    const int cause = errno;
    return Status::Failed("cannot write '" + path + "': " + (cause != 0 ? std::strerror(cause) : lxw_strerror(closed)));
  }
  if (progress && !progress(total_rows, total_rows)) return Status::Cancelled();
  return {};
}

}  // namespace

Status WriteXlsx(const port::ReplacementPath& file, const PrintDocument& document, const Progress& progress,
                 const XlsxOptions& options) {
  // libxlsxwriter prints its own "[ERROR]" lines; the caller reports the failure once.
  const QuietStderr quiet;
  return Write(file, document, progress, options);
}

}  // namespace parvex
