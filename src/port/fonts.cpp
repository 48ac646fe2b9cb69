#include "port/fonts.h"

#include <cstdlib>

namespace parvex::port {
namespace {

#ifdef _WIN32
// The Fonts folder of this Windows installation, as a UTF-8 prefix ending in a backslash.
std::string WindowsFontsDir() {
  const char* windir = std::getenv("WINDIR");
  return std::string(windir != nullptr && *windir != '\0' ? windir : "C:\\Windows") + "\\Fonts\\";
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
