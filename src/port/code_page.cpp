#include "port/code_page.h"

#include "port/utf8.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <iconv.h>
#include <langinfo.h>
#include <locale.h>
#include <strings.h>

#include <cerrno>
#endif

namespace parvex {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

#if defined(_WIN32)

// GB18030 (code page 54936) where the system has it, GBK (936, of which GB18030 is a superset)
// where not: Wine, for one, has no 54936.
UINT ChineseCodePage() {
  static const UINT code_page = IsValidCodePage(54936) ? 54936 : 936;
  return code_page;
}

// Character by character, so that a byte that starts no character becomes U+FFFD as iconv's
// reading marks it, instead of the code page's default character: ASCII as it stands, otherwise
// the two or four bytes that the system reads as one character.
void AppendGb18030(std::string_view bytes, std::string* out) {
  const UINT code_page = ChineseCodePage();
  wchar_t wide[2];
  char utf8[8];
  size_t i = 0;
  while (i < bytes.size()) {
    if (static_cast<unsigned char>(bytes[i]) < 0x80) {
      *out += bytes[i++];
      continue;
    }
    int chars = 0;
    size_t length = 0;
    for (const size_t n : {size_t{2}, size_t{4}}) {
      if (i + n > bytes.size()) break;
      chars = MultiByteToWideChar(code_page, MB_ERR_INVALID_CHARS, bytes.data() + i, static_cast<int>(n), wide, 2);
      if (chars > 0) {
        length = n;
        break;
      }
    }
    if (chars <= 0) {
      *out += kReplacement;
      ++i;
      continue;
    }
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide, chars, utf8, sizeof utf8, nullptr, nullptr);
    if (size > 0) out->append(utf8, static_cast<size_t>(size));
    i += length;
  }
}

#else

// One converter per thread, opened on first use: opening one per cell would dominate a GBK
// table, and an iconv descriptor keeps state, so threads must not share one.
class Gb18030Converter {
 public:
  Gb18030Converter() : cd_(iconv_open("UTF-8", "GB18030")) {}
  ~Gb18030Converter() {
    if (ok()) iconv_close(cd_);
  }
  Gb18030Converter(const Gb18030Converter&) = delete;
  Gb18030Converter& operator=(const Gb18030Converter&) = delete;

  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  void Append(std::string_view bytes, std::string* out) {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);  // a cell starts in the initial state
    // iconv only reads its input; the declaration just lacks the const.
    char* in_ptr = const_cast<char*>(bytes.data());
    size_t in_left = bytes.size();
    char buffer[256];
    while (in_left > 0) {
      char* out_ptr = buffer;
      size_t out_left = sizeof buffer;
      const size_t done = iconv(cd_, &in_ptr, &in_left, &out_ptr, &out_left);
      out->append(buffer, static_cast<size_t>(out_ptr - buffer));
      if (done == static_cast<size_t>(-1) && errno != E2BIG) {
        // A byte that starts no character (EILSEQ), or a character cut off by the end of the
        // cell (EINVAL): mark the byte and read on after it.
        *out += kReplacement;
        ++in_ptr;
        --in_left;
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
      }
    }
  }

 private:
  iconv_t cd_;
};

void AppendGb18030(std::string_view bytes, std::string* out) {
  thread_local Gb18030Converter converter;
  if (converter.ok()) {
    converter.Append(bytes, out);
    return;
  }
  // No converter on this system: ASCII survives, every other byte is marked.
  for (char c : bytes) {
    if (static_cast<unsigned char>(c) < 0x80) {
      *out += c;
    } else {
      *out += kReplacement;
    }
  }
}

#endif

}  // namespace

void AppendUtf8(std::string_view bytes, std::string* out) {
  if (port::IsValidUtf8(bytes)) {
    out->append(bytes);
    return;
  }
  out->reserve(out->size() + bytes.size() * 3 / 2 + 4);
  AppendGb18030(bytes, out);
}

bool SessionTextIsUtf8() {
#if defined(_WIN32)
  return GetACP() == CP_UTF8;
#else
  // The environment's locale, not the process's current one, which only setlocale changes.
  const locale_t locale = newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(nullptr));
  if (locale == static_cast<locale_t>(nullptr)) return false;
  const char* codeset = nl_langinfo_l(CODESET, locale);
  const bool utf8 = codeset != nullptr && (strcasecmp(codeset, "UTF-8") == 0 || strcasecmp(codeset, "utf8") == 0);
  freelocale(locale);
  return utf8;
#endif
}

std::string ToUtf8(std::string_view bytes) {
  std::string out;
  AppendUtf8(bytes, &out);
  return out;
}

}  // namespace parvex
