// Conversions of the numbers a user types into the window's edit boxes.
#ifndef PARVEX_GRID_TEXT_TO_INTEGER_H_
#define PARVEX_GRID_TEXT_TO_INTEGER_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace parvex {

// Reads an edit box's text as a signed 32-bit integer: full-width digits and signs are folded
// to ASCII first (in UTF-8 text U+FF01..U+FF5E, U+3000 and the stars; in text that is not valid
// UTF-8 the GBK pairs of the same signs), then leading white space is skipped, an optional sign
// taken and the digits up to the first other byte read. No digits give 0; values beyond the
// int32 range saturate at its bounds.
int32_t TextToInteger(std::string_view text);

// What a numeric edit box does to its text when it loses the focus: read as a decimal integer
// (leading blanks, optional sign, digits; no digits give 0), clamped to -32768..32767 and written
// back in plain decimal, except that 0 gives the empty text.
std::string NormalizeEditBoxText(std::string_view text);

// True for the characters the numeric edit boxes accept while typing: the digits and '-'.
bool IsEditBoxCharacter(char32_t c);

}  // namespace parvex

#endif  // PARVEX_GRID_TEXT_TO_INTEGER_H_
