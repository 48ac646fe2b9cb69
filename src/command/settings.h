// What the commands read from the window: its settings as its controls hold them.
#ifndef PARVEX_COMMAND_SETTINGS_H_
#define PARVEX_COMMAND_SETTINGS_H_

#include <string>

namespace parvex {

// The window's settings as its controls hold them: edit-box texts exactly as shown, check-box
// states. The defaults are the window's initial values: the window fills its controls from a
// default-constructed Settings. The commands convert the texts with TextToInteger, so the
// window and the command-line tool read them alike.
struct Settings {
  std::string group_count = "2";     // 编辑框_分栏数
  std::string rows_per_page = "46";  // 编辑框_excel每页打印行数
  std::string key_column = "3";      // 编辑框_第N页变化则分页
  std::string column_width = "40";   // 编辑框_列宽
  bool break_by_key = true;          // 选择框_根据某列来分页
  bool pad_short_pages = true;       // 选择框_是否空行填充
  bool has_title_row = true;         // 选择框_复制的数据包含标题
};

}  // namespace parvex

#endif  // PARVEX_COMMAND_SETTINGS_H_
