#include "layout/commands.h"

#include <string>

#include "base/status.h"
#include "grid/table_text_writer.h"
#include "grid/text_to_integer.h"
#include "html/clipboard_flavours.h"

namespace parvex {

const char* const kProcessedCaption = "处理成功，请继续。";
const char* const kPreprocessMessage =
    "信息已经复制到剪贴板，请把数据粘贴到Excel或其它电子表格中，并从‘页面设置’－‘工作表’中设置‘顶端标题行’；"
    "打印边界可在‘分页预览’‘页边距’中调整；请调整格式后，查看每页打印行数。";
const char* const kReprocessMessage =
    "信息已经复制到剪贴板，请把刚才处理好格式的区域中，删除原有数据，再次粘贴，并检查底端有无空行。";

LayoutOptions LayoutOptionsFrom(const Settings& settings) {
  LayoutOptions options;
  options.groups = TextToInteger(settings.group_count);
  options.rows_per_page = TextToInteger(settings.rows_per_page);
  options.key_column = settings.break_by_key ? TextToInteger(settings.key_column) : 0;
  options.column_width = TextToInteger(settings.column_width);
  options.pad_short_pages = settings.pad_short_pages;
  options.source_has_title = settings.has_title_row;
  return options;
}

namespace {

// 1048576 as "1,048,576".
std::string WithThousands(int64_t n) {
  std::string digits = std::to_string(n);
  for (auto at = static_cast<int64_t>(digits.size()) - 3; at > (n < 0 ? 1 : 0); at -= 3) {
    digits.insert(static_cast<size_t>(at), 1, ',');
  }
  return digits;
}

}  // namespace

std::string TextOnlyMessage(const HtmlFlavourExcess& excess) {
  using Limit = HtmlFlavourExcess::Limit;
  std::string size;
  switch (excess.limit) {
    case Limit::kRows:
      size = WithThousands(excess.size) + " 行，超过 " + WithThousands(excess.most) + " 行";
      break;
    case Limit::kColumns:
      size = WithThousands(excess.size) + " 列，超过 " + WithThousands(excess.most) + " 列";
      break;
    case Limit::kBytes:
    case Limit::kNone:
      size = "HTML约 " + WithThousands((excess.size + (int64_t{1} << 20) - 1) >> 20) + " MB，超过 " +
             WithThousands(excess.most >> 20) + " MB";
      break;
  }
  return "表格太大（" + size + "），只以纯文本复制到剪贴板；请分批复制，或导出PDF/Excel文件。";
}

bool ExportResultGrid(Grid& result, Clipboard& clipboard, const HtmlTableShape& shape, HtmlFlavourExcess* excess) {
  bool written = true;
  if (excess != nullptr) *excess = {};
  if (result.RowCount() == 0 || result.ColCount() == 0) {
    // An empty grid exports as the empty text (and a table of no rows), not as whatever the
    // clipboard held before.
    written = clipboard.Write([](TextSink&) {}, [&](TextSink& sink) { WriteHtmlTable(result, shape, sink); }, {});
  } else {
    const CellRect all{0, 0, result.RowCount() - 1, result.ColCount() - 1};
    if (excess != nullptr) *excess = HtmlFlavourExcessOf(result, all);
    result.SelectRange(all.first_row, all.first_col, all.last_row, all.last_col);
    const SpreadsheetFlavours flavours(shape);
    written = result.CopySelectionToClipboard(clipboard, &flavours);
  }
  result.SetCursorCell(0, 0);
  return written;
}

HtmlTableShape HtmlShapeOf(const PagePlan& plan) {
  return HtmlTableShape{plan.has_title, plan.geometry};
}

namespace {

CommandResult Process(const Grid& source, Grid& result, const Settings& settings, Clipboard& clipboard,
                      const char* message, std::optional<PagePlan>* plan) {
  PagePlan laid_out;
  if (Status laid = SplitIntoColumns(source, result, LayoutOptionsFrom(settings), &laid_out); !laid.ok()) {
    return CommandResult::Refused(std::move(laid));
  }
  const HtmlTableShape shape = HtmlShapeOf(laid_out);
  if (plan != nullptr) *plan = std::move(laid_out);
  HtmlFlavourExcess excess;
  if (!ExportResultGrid(result, clipboard, shape, &excess)) {
    return CommandResult::Refused(Status::Failed(
        "the clipboard could not be written (another program may hold it); the layout is in the result grid, "
        "try again"));
  }
  if (excess.limit != HtmlFlavourExcess::Limit::kNone) {
    return {Status(), kProcessedCaption, std::string(message) + "\n" + TextOnlyMessage(excess)};
  }
  return {Status(), kProcessedCaption, message};
}

}  // namespace

CommandResult OnPreprocess(const Grid& source, Grid& result, const Settings& settings, Clipboard& clipboard,
                           std::optional<PagePlan>* plan) {
  return Process(source, result, settings, clipboard, kPreprocessMessage, plan);
}

CommandResult OnReprocess(const Grid& source, Grid& result, const Settings& settings, Clipboard& clipboard,
                          std::optional<PagePlan>* plan) {
  return Process(source, result, settings, clipboard, kReprocessMessage, plan);
}

}  // namespace parvex
