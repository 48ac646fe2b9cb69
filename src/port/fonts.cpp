#include "port/fonts.h"

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include "port/windows_text.h"
#endif

namespace parvex::port {
namespace {

#ifdef _WIN32
// The Fonts folder of this Windows installation, as a UTF-8 prefix ending in a backslash.
std::string WindowsFontsDir() {
  wchar_t dir[MAX_PATH + 1] = {};
  const UINT n = ::GetWindowsDirectoryW(dir, MAX_PATH + 1);
  const std::string windows = n > 0 && n <= MAX_PATH ? Utf8FromWide(std::wstring_view(dir, n)) : "C:\\Windows";
  return windows + "\\Fonts\\";
}
#endif

}  // namespace

FontChoice PrintFonts() {
#ifdef _WIN32
  const std::string dir = WindowsFontsDir();
  return {{"Microsoft YaHei", "SimSun"}, {dir + "msyh.ttc", dir + "simsun.ttc"}};
#else
  return {{"WenQuanYi Zen Hei"},
          {"/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc", "/usr/share/fonts/wqy-zenhei/wqy-zenhei.ttc"}};
#endif
}

FontChoice WindowFonts() {
#ifdef _WIN32
  const std::string dir = WindowsFontsDir();
  return {{"SimSun", "Microsoft YaHei"}, {dir + "simsun.ttc", dir + "msyh.ttc"}};
#else
  return {{"WenQuanYi Zen Hei Mono"}, {}};
#endif
}

}  // namespace parvex::port
