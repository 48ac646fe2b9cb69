#include "port/code_page.h"

#include "grid/text_to_integer.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <iconv.h>

#include <cerrno>
#endif

namespace parvex {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

#if defined(_WIN32)

// TODO: built and run only once the Windows port exists; the Linux branch is the tested one.
// Without MB_ERR_INVALID_CHARS the system puts U+FFFD (or the code page's default character)
// where a byte starts no character.
void AppendGb18030(std::string_view bytes, std::string* out) {
  constexpr UINT kGb18030 = 54936;
  if (bytes.empty()) return;
  const int in_size = static_cast<int>(bytes.size());
  const int wide_size = MultiByteToWideChar(kGb18030, 0, bytes.data(), in_size, nullptr, 0);
  if (wide_size <= 0) {
    for (char c : bytes) {
      if (static_cast<unsigned char>(c) < 0x80) {
        *out += c;
      } else {
        *out += kReplacement;
      }
    }
    return;
  }
  std::wstring wide(static_cast<size_t>(wide_size), L'\0');
  MultiByteToWideChar(kGb18030, 0, bytes.data(), in_size, wide.data(), wide_size);
  const int utf8_size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), wide_size, nullptr, 0, nullptr, nullptr);
  const size_t at = out->size();
  out->resize(at + static_cast<size_t>(utf8_size));
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), wide_size, out->data() + at, utf8_size, nullptr, nullptr);
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
  if (IsValidUtf8(bytes)) {
    out->append(bytes);
    return;
  }
  out->reserve(out->size() + bytes.size() * 3 / 2 + 4);
  AppendGb18030(bytes, out);
}

std::string ToUtf8(std::string_view bytes) {
  std::string out;
  AppendUtf8(bytes, &out);
  return out;
}

}  // namespace parvex
