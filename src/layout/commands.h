// The processing commands behind "数据预处理" and "数据再处理", and the export under them.
#ifndef PARVEX_LAYOUT_COMMANDS_H_
#define PARVEX_LAYOUT_COMMANDS_H_

#include <optional>
#include <string>

#include "command/command_result.h"
#include "command/settings.h"
#include "grid/clipboard.h"
#include "grid/grid.h"
#include "html/html_table_writer.h"
#include "layout/page_plan.h"
#include "layout/split_into_columns.h"

namespace parvex {

// The closing messages' caption and texts.
extern const char* const kProcessedCaption;   // "处理成功，请继续。"
extern const char* const kPreprocessMessage;
extern const char* const kReprocessMessage;

// The layout options the commands read from the settings.
LayoutOptions LayoutOptionsFrom(const Settings& settings);

// The line a closing message gets when the result went to the clipboard as plain text only:
// how large the table is, the limit it passed, and what the user can do instead, e.g.
// "表格太大（1,200,000 行，超过 1,048,576 行），只以纯文本复制到剪贴板；请分批复制，或导出PDF/Excel文件。"
std::string TextOnlyMessage(const HtmlFlavourExcess& excess);

// Puts the whole of `result` on the clipboard in the clipboard text format and, beside it, as an
// HTML table of `shape` (the title row bold, borders around each group, the separator columns
// narrow) and as SYLK, by the flavour rule of SpreadsheetFlavours (clipboard_flavours.h), and
// leaves `result` with no selection and (0, 0) as its cursor cell. Both are left out when `result` passes what a
// spreadsheet takes (HtmlFlavourExcessOf); `excess`, when given, says which limit it passed.
// False when the clipboard refused the content.
bool ExportResultGrid(Grid& result, Clipboard& clipboard, const HtmlTableShape& shape = {},
                      HtmlFlavourExcess* excess = nullptr);

// The shape of the layout `plan` describes, for the HTML flavour.
HtmlTableShape HtmlShapeOf(const PagePlan& plan);

// Lays `source` out into `result` by the settings, exports `result` to the clipboard and
// returns the closing message. `source` is never changed. A refused layout leaves both grids
// and the clipboard as they were; a clipboard that refuses the text is reported, the layout
// stays in `result`. `plan`, when given, receives the page plan whenever `result` was laid out
// (a clipboard failure too) and is left as it was on a refusal.
CommandResult OnPreprocess(const Grid& source, Grid& result, const Settings& settings, Clipboard& clipboard,
                           std::optional<PagePlan>* plan = nullptr);
CommandResult OnReprocess(const Grid& source, Grid& result, const Settings& settings, Clipboard& clipboard,
                          std::optional<PagePlan>* plan = nullptr);

}  // namespace parvex

#endif  // PARVEX_LAYOUT_COMMANDS_H_
