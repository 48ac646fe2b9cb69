// File names as the rest of Parvex holds them: UTF-8 in a std::string on Windows (where the
// system's own names are UTF-16), the bytes as given elsewhere (where a GBK name stays GBK).
#ifndef PARVEX_PORT_PATH_H_
#define PARVEX_PORT_PATH_H_

#include <filesystem>
#include <string>
#include <string_view>

namespace parvex::port {

// The path named by `name`. Never throws: bytes that are not UTF-8 on Windows become U+FFFD,
// so such a name is simply not found.
std::filesystem::path PathFromUtf8(std::string_view name);

// The name of `path` in the form PathFromUtf8 takes.
std::string Utf8FromPath(const std::filesystem::path& path);

// `name` in single quotes, as messages about a file show it.
inline std::string QuotedName(const std::string& name) { return "'" + name + "'"; }

}  // namespace parvex::port

#endif  // PARVEX_PORT_PATH_H_
