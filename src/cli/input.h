// Reading the table text whole: the one copy of it the import then takes over, or for a regular
// file the file itself mapped into memory.
#ifndef PARVEX_CLI_INPUT_H_
#define PARVEX_CLI_INPUT_H_

#include <istream>
#include <string>
#include <string_view>

#include "base/status.h"
#include "grid/text_store.h"

namespace parvex {

// Reads `in` to its end into `text`. A stream that can tell its size is read in one piece,
// anything else in large blocks. Failed when the stream failed.
Status ReadStream(std::istream& in, std::string* text);

// Reads the file at `path` into `text`: a regular file is sized first and read in one piece,
// a pipe or device in large blocks. Failed, naming the file and the cause, when it cannot be
// opened or read or is a directory.
Status ReadFile(const std::string& path, std::string* text);

// The same, but a regular file is mapped copy-on-write instead of read: its pages come straight
// from the page cache, and only those the import writes to (to unquote a cell) are copied.
Status MapFile(const std::string& path, TextBuffer* text);

// The offset of the first NUL byte of `text`, or std::string_view::npos.
size_t FindNul(std::string_view text);

}  // namespace parvex

#endif  // PARVEX_CLI_INPUT_H_
