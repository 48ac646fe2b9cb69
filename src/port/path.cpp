#include "port/path.h"

#ifdef _WIN32
#include "port/windows_text.h"
#endif

namespace parvex::port {

#ifdef _WIN32

std::filesystem::path PathFromUtf8(std::string_view name) { return std::filesystem::path(WideFromUtf8(name)); }

std::string Utf8FromPath(const std::filesystem::path& path) { return Utf8FromWide(path.native()); }

#else

// The system takes names as bytes; no conversion, so that any name it handed out works.
std::filesystem::path PathFromUtf8(std::string_view name) { return std::filesystem::path(std::string(name)); }

std::string Utf8FromPath(const std::filesystem::path& path) { return path.native(); }

#endif

}  // namespace parvex::port
