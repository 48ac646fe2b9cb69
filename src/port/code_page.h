// Cell bytes as Unicode. The grid keeps a cell's bytes as they were pasted (UTF-8 or GBK); the
// outputs that need Unicode (PDF, .xlsx, HTML) convert here. On Linux through iconv, on Windows
// through the system's GB18030 code page.
#ifndef PARVEX_PORT_CODE_PAGE_H_
#define PARVEX_PORT_CODE_PAGE_H_

#include <string>
#include <string_view>

namespace parvex {

// `bytes` as UTF-8: unchanged when they are valid UTF-8 already, read as GB18030 (of which GBK
// is a part) otherwise, every byte that starts no character becoming U+FFFD. No byte is dropped
// without a trace. Safe to call from several threads at once.
std::string ToUtf8(std::string_view bytes);

// Appends ToUtf8(bytes) to `out`.
void AppendUtf8(std::string_view bytes, std::string* out);

// Whether the programs of this session read text that comes without a character set of its own
// as UTF-8: the character set of the locale the environment names (LC_ALL, LC_CTYPE, LANG), or
// on Windows the ANSI code page. False when that locale is not installed.
bool SessionTextIsUtf8();

}  // namespace parvex

#endif  // PARVEX_PORT_CODE_PAGE_H_
