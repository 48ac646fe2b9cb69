// UTF-8 and the UTF-16 that the Windows API speaks. Windows only.
#ifndef PARVEX_PORT_WINDOWS_TEXT_H_
#define PARVEX_PORT_WINDOWS_TEXT_H_

#include <string>
#include <string_view>

namespace parvex::port {

// Bytes that are not UTF-8 become U+FFFD.
std::wstring WideFromUtf8(std::string_view text);
// A lone surrogate becomes U+FFFD.
std::string Utf8FromWide(std::wstring_view text);
// The system's message for a GetLastError code, in UTF-8, on one line without a final period.
std::string SystemErrorText(unsigned long code);

}  // namespace parvex::port

#endif  // PARVEX_PORT_WINDOWS_TEXT_H_
