// The system layer on the system it was built for: under Wine for a Windows build.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "port/file_map.h"
#include "port/fonts.h"
#include "port/path.h"
#include "port/replace_file.h"
#include "support/temp_dir_test.h"

namespace parvex {
namespace {

namespace fs = std::filesystem;
using test_support::ReadBytes;
using test_support::WriteBytes;

class PortTest : public test_support::TempDirTest {
 protected:
  // The UTF-8 name of `name` in the test's directory.
  std::string Name(const std::string& name) const { return port::Utf8FromPath(dir_ / port::PathFromUtf8(name)); }

  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_)) names.push_back(port::Utf8FromPath(entry.path().filename()));
    std::sort(names.begin(), names.end());
    return names;
  }
};

// ---- Reading and mapping an input file. ----

TEST_F(PortTest, ReadsAndMapsWholeFiles) {
  struct Case {
    const char* name;
    std::string bytes;
    bool maps;
  };
  const Case cases[] = {
      {"empty", "", false},
      {"one byte", "a", true},
      {"CR LF and NUL kept as bytes", std::string("a\tb\r\n\0c\r\n", 10), true},
      {"past one read block", std::string((size_t{1} << 20) + 7, 'x'), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = Name("input.txt");
    WriteBytes(port::PathFromUtf8(path), c.bytes);
    std::string text = "left over";
    std::string error;
    ASSERT_TRUE(port::ReadWholeFile(path, &text, &error)) << error;
    EXPECT_EQ(text, c.bytes);
    port::MappedFile mapped;
    ASSERT_EQ(port::MapWholeFile(path, &mapped), c.maps);
    if (c.maps) {
      EXPECT_EQ(std::string(mapped.data, mapped.size), c.bytes);
    }
  }
}

TEST_F(PortTest, WritesToAMappingNeverReachTheFile) {
  const std::string path = Name("input.txt");
  WriteBytes(port::PathFromUtf8(path), "\"a\"\tb");
  port::MappedFile mapped;
  ASSERT_TRUE(port::MapWholeFile(path, &mapped));
  mapped.data[0] = 'X';
  mapped = port::MappedFile();  // unmapped
  EXPECT_EQ(ReadBytes(port::PathFromUtf8(path)), "\"a\"\tb");
}

TEST_F(PortTest, UnreadableInputsNameFileAndCause) {
  fs::create_directory(dir_ / "folder");
  struct Case {
    const char* name;
    std::string path;
    std::string message_part;
  };
  const Case cases[] = {
      {"missing", Name("none.txt"), "cannot open '" + Name("none.txt") + "'"},
      {"directory, said before any attempt to open it", Name("folder"), "'" + Name("folder") + "' is a directory"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string text = "left over";
    std::string error;
    EXPECT_FALSE(port::ReadWholeFile(c.path, &text, &error));
    EXPECT_EQ(text, "");
    EXPECT_NE(error.find(c.message_part), std::string::npos) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos) << error;
    port::MappedFile mapped;
    EXPECT_FALSE(port::MapWholeFile(c.path, &mapped));
  }
}

// A name outside the ANSI code page reaches the system intact (Windows), and bytes as given
// (elsewhere).
TEST_F(PortTest, NonAsciiNamesRoundTrip) {
  const std::string name = "名单 ½.txt";
  EXPECT_EQ(port::Utf8FromPath(port::PathFromUtf8(name)), name);
  const std::string path = Name(name);
  WriteBytes(port::PathFromUtf8(path), "学号\t姓名");
  EXPECT_EQ(Entries(), std::vector<std::string>{name});
  std::string text;
  std::string error;
  ASSERT_TRUE(port::ReadWholeFile(path, &text, &error)) << error;
  EXPECT_EQ(text, "学号\t姓名");
}

// ---- Replacing a file. ----

TEST_F(PortTest, TempFileIsNewHiddenAndBesideItsTarget) {
  std::string first;
  std::string second;
  std::string error;
  ASSERT_TRUE(port::CreateTempFile(port::Utf8FromPath(dir_), "out.txt", &first, &error)) << error;
  ASSERT_TRUE(port::CreateTempFile(port::Utf8FromPath(dir_), "out.txt", &second, &error)) << error;
  EXPECT_NE(first, second);
  for (const std::string& path : {first, second}) {
    const fs::path file = port::PathFromUtf8(path);
    EXPECT_EQ(file.parent_path(), dir_);
    EXPECT_EQ(port::Utf8FromPath(file.filename()).rfind(".out.txt.", 0), 0u) << path;
    EXPECT_TRUE(fs::is_regular_file(file));
    EXPECT_EQ(fs::file_size(file), 0u);
  }

  const std::string missing = Name("no-such-dir");
  std::string unused;
  EXPECT_FALSE(port::CreateTempFile(missing, "out.txt", &unused, &error));
  EXPECT_NE(error.find("cannot create a file in '" + missing + "'"), std::string::npos) << error;
}

TEST_F(PortTest, MoveOverReplacesAnExistingFileInOneStep) {
  const std::string target = Name("结果.txt");
  for (const bool target_exists : {false, true}) {
    SCOPED_TRACE(target_exists ? "existing target" : "new target");
    if (target_exists) WriteBytes(port::PathFromUtf8(target), "old");
    std::string temp;
    std::string error;
    ASSERT_TRUE(port::CreateTempFile(port::Utf8FromPath(dir_), "结果.txt", &temp, &error)) << error;
    WriteBytes(port::PathFromUtf8(temp), "new");
    ASSERT_TRUE(port::MoveOver(temp, target, port::ReplacementPermissions(target), &error)) << error;
    EXPECT_EQ(ReadBytes(port::PathFromUtf8(target)), "new");
    EXPECT_EQ(Entries(), std::vector<std::string>{"结果.txt"}) << "the temporary name is gone";
  }
}

TEST_F(PortTest, FailedMoveLeavesBothFiles) {
  const std::string temp = Name("temp");
  WriteBytes(port::PathFromUtf8(temp), "new");
  const std::string target = Name("no-such-dir/out.txt");
  std::string error;
  EXPECT_FALSE(port::MoveOver(temp, target, 0644, &error));
  EXPECT_NE(error.find("cannot replace '" + target + "'"), std::string::npos) << error;
  EXPECT_EQ(ReadBytes(port::PathFromUtf8(temp)), "new");
  EXPECT_TRUE(port::RemoveFile(temp));
  EXPECT_FALSE(port::RemoveFile(temp));
}

TEST_F(PortTest, SameFileAndIsDirectory) {
  WriteBytes(dir_ / "a.txt", "a");
  WriteBytes(dir_ / "b.txt", "a");
  const std::string a = Name("a.txt");
  struct Case {
    const char* name;
    std::string other;
    bool same;
  };
  const Case cases[] = {
      {"same name", a, true},
      {"another spelling", port::Utf8FromPath(dir_ / "." / "a.txt"), true},
      {"same bytes, another file", Name("b.txt"), false},
      {"missing file", Name("c.txt"), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(port::SameFile(a, c.other), c.same);
  }
  EXPECT_TRUE(port::IsDirectory(port::Utf8FromPath(dir_)));
  EXPECT_FALSE(port::IsDirectory(a));
  EXPECT_FALSE(port::IsDirectory(Name("c.txt")));
}

// ---- Fonts. ----

// The font folders are where this system keeps fonts (C:\Windows\Fonts under Wine and Windows,
// Debian's fonts-wqy-zenhei on Linux), so a wrong folder shows even where a font is missing.
TEST(PortFontsTest, FontFilesAreInAnExistingFolder) {
  for (const port::FontChoice& choice : {port::PrintFonts(), port::WindowFonts()}) {
    EXPECT_FALSE(choice.families.empty());
    bool folder_found = choice.files.empty();
    for (const std::string& file : choice.files) {
      const fs::path path = port::PathFromUtf8(file);
      EXPECT_TRUE(path.is_absolute()) << file;
      folder_found = folder_found || fs::is_directory(path.parent_path());
    }
    EXPECT_TRUE(folder_found) << choice.files.front();
  }
}

}  // namespace
}  // namespace parvex
