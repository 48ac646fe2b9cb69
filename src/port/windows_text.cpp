#include "port/windows_text.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <algorithm>
#include <climits>

namespace parvex::port {

std::wstring WideFromUtf8(std::string_view text) {
  std::wstring wide;
  if (text.empty()) return wide;
  // The API counts in int: a longer text is converted in pieces cut at a character start.
  while (!text.empty()) {
    size_t piece = std::min<size_t>(text.size(), INT_MAX / 2);
    while (piece < text.size() && piece > 0 && (static_cast<unsigned char>(text[piece]) & 0xC0) == 0x80) --piece;
    if (piece == 0) piece = std::min<size_t>(text.size(), INT_MAX / 2);
    const int in = static_cast<int>(piece);
    const int n = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), in, nullptr, 0);
    const size_t at = wide.size();
    wide.resize(at + static_cast<size_t>(n));
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), in, wide.data() + at, n);
    text.remove_prefix(piece);
  }
  return wide;
}

std::string Utf8FromWide(std::wstring_view text) {
  std::string utf8;
  while (!text.empty()) {
    size_t piece = std::min<size_t>(text.size(), INT_MAX / 4);
    // Never cut between the two halves of a surrogate pair.
    if (piece < text.size() && text[piece] >= 0xDC00 && text[piece] <= 0xDFFF) --piece;
    const int in = static_cast<int>(piece);
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), in, nullptr, 0, nullptr, nullptr);
    const size_t at = utf8.size();
    utf8.resize(at + static_cast<size_t>(n));
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), in, utf8.data() + at, n, nullptr, nullptr);
    text.remove_prefix(piece);
  }
  return utf8;
}

std::string SystemErrorText(unsigned long code) {
  wchar_t* buffer = nullptr;
  const DWORD n = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                       FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_MAX_WIDTH_MASK,
                                   nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::string text = n > 0 ? Utf8FromWide(std::wstring_view(buffer, n)) : std::string();
  if (buffer != nullptr) ::LocalFree(buffer);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\r' || text.back() == '\n' || text.back() == '.')) {
    text.pop_back();
  }
  if (text.empty()) text = "system error " + std::to_string(code);
  return text;
}

}  // namespace parvex::port
