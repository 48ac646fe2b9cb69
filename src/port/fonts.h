// Where the fonts for Chinese text are on this system.
#ifndef PARVEX_PORT_FONTS_H_
#define PARVEX_PORT_FONTS_H_

#include <string>
#include <vector>

namespace parvex::port {

struct FontChoice {
  // Family names to look for among the installed fonts, the first found wins.
  std::vector<std::string> families;
  // Font files to load when none of them is installed, in the same order; UTF-8 names.
  std::vector<std::string> files;
};

// Fonts for printed cells: one whose ideographs and Latin letters both print well. WenQuanYi
// Zen Hei on Linux (Debian's fonts-wqy-zenhei), Microsoft YaHei or SimSun on Windows.
FontChoice PrintFonts();

// Fonts for the window's Chinese labels, whose blanks must sit under the edit boxes that
// cover them: a face whose half-width signs are half as wide as its ideographs, at 12 pixels.
// WenQuanYi Zen Hei Mono on Linux, SimSun (monospaced in that sense) then Microsoft YaHei on
// Windows.
FontChoice WindowFonts();

}  // namespace parvex::port

#endif  // PARVEX_PORT_FONTS_H_
