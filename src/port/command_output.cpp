#include "port/command_output.h"

#include <cstdio>
#include <cstdlib>

#ifdef _WIN32
#include <windows.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "port/windows_text.h"
#endif

namespace parvex::port {
namespace {

std::string SingleQuoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted += c;
    }
  }
  return quoted + "'";
}

#ifdef _WIN32
// The folder through which the build machine's shell takes commands, when there is one.
std::filesystem::path WineShellDir() {
  const wchar_t* dir = ::_wgetenv(L"PARVEX_WINE_SHELL_DIR");
  return dir != nullptr && *dir != L'\0' ? std::filesystem::path(dir) : std::filesystem::path();
}

// Wine's own export that names the Unix file behind a Windows path; null on Windows.
std::string WineUnixName(const std::filesystem::path& path) {
  using UnixName = char*(__cdecl*)(const wchar_t*);
  static const auto unix_name = reinterpret_cast<UnixName>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32"), "wine_get_unix_file_name")));
  if (unix_name == nullptr) return {};
  char* name = unix_name(std::filesystem::absolute(path).c_str());
  if (name == nullptr) return {};
  std::string result = name;
  ::HeapFree(::GetProcessHeap(), 0, name);
  return result;
}

// Writes `command` as NAME.sh into the folder (whole, by renaming) and waits for the server to
// write NAME.out and then NAME.done.
std::string ThroughWineShell(const std::filesystem::path& dir, const std::string& command) {
  static std::atomic<int> serial = 0;
  const std::wstring name = std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(serial++);
  const std::filesystem::path script = dir / (name + L".sh");
  const std::filesystem::path part = dir / (name + L".part");
  {
    std::ofstream out(part, std::ios::binary);
    out << command << '\n';
    if (!out) return {};
  }
  std::error_code error;
  std::filesystem::rename(part, script, error);
  if (error) return {};
  const std::filesystem::path done = dir / (name + L".done");
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::minutes(2);
  while (!std::filesystem::exists(done)) {
    if (std::chrono::steady_clock::now() > give_up) return {};
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  const std::filesystem::path output = dir / (name + L".out");
  std::ifstream in(output, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  in.close();
  std::filesystem::remove(output, error);
  std::filesystem::remove(done, error);
  return std::move(bytes).str();
}
#endif

}  // namespace

std::string CommandOutput(const std::string& command) {
#ifdef _WIN32
  if (const std::filesystem::path dir = WineShellDir(); !dir.empty()) return ThroughWineShell(dir, command);
#endif
  std::string bytes;
#ifdef _WIN32
  // The wide call keeps non-ASCII file names; "b": no CR LF translation of the output.
  FILE* pipe = ::_wpopen(WideFromUtf8(command).c_str(), L"rb");
#else
  FILE* pipe = ::popen(command.c_str(), "r");
#endif
  if (pipe == nullptr) return bytes;
  char buffer[65536];
  size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) bytes.append(buffer, n);
#ifdef _WIN32
  ::_pclose(pipe);
#else
  ::pclose(pipe);
#endif
  return bytes;
}

std::string ShellPath(const std::filesystem::path& path) {
#ifdef _WIN32
  if (!WineShellDir().empty()) {
    if (std::string unix_name = WineUnixName(path); !unix_name.empty()) return SingleQuoted(unix_name);
  }
  return SingleQuoted(Utf8FromWide(path.native()));
#else
  return SingleQuoted(path.native());
#endif
}

}  // namespace parvex::port
