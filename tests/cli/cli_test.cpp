#include "cli/cli.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

#include "cli/input.h"
#include "html/html_table_reader.h"
#include "layout/commands.h"
#include "port/path.h"
#include "port/replace_file.h"
#include "support/cli_run.h"
#include "support/is_ok.h"
#include "support/temp_dir_test.h"

namespace parvex {
namespace {

namespace fs = std::filesystem;
using test_support::CliRun;
using test_support::RunCli;

using test_support::ReadBytes;
using test_support::WriteBytes;

fs::path DataFile(const std::string& name) { return fs::path(PARVEX_TEST_DATA_DIR) / name; }

// A fresh, empty directory per test, removed afterwards.
class ScratchDir {
 public:
  ScratchDir() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    path_ = fs::path(::testing::TempDir()) / ("parvex_cli_" + std::string(info->test_suite_name()) + "_" + info->name());
    RemoveAll();
    fs::create_directories(path_);
  }
  ~ScratchDir() { RemoveAll(); }
  const fs::path& path() const { return path_; }
  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(path_)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  // Windows deletes no read-only file, and a test makes one: make everything writable first.
  void RemoveAll() {
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(path_, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
      fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
    fs::remove_all(path_, ec);
  }

  fs::path path_;
};

// What every failed run must look like: status 2, nothing on stdout, one prefixed error line.
void ExpectOneErrorLine(const CliRun& r) {
  EXPECT_EQ(r.status, kExitFailure);
  EXPECT_EQ(r.out, "");
  ASSERT_FALSE(r.err.empty());
  EXPECT_EQ(r.err.rfind("parvex-cli: ", 0), 0u) << r.err;
  EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
  EXPECT_EQ(r.err.back(), '\n');
}

// The two-class table: a title and seven rows, classes A A B B B B C, as a spreadsheet copies it.
const std::string kClasses =
    "Name\tClass\r\nAnn\tA\r\nBen\tA\r\nCai\tB\r\nDan\tB\r\nEva\tB\r\nFay\tB\r\nGus\tC\r\n";

// A one-column table: a title "t" and the data rows 1..n.
std::string Numbers(int n) {
  std::string text = "t\r\n";
  for (int i = 1; i <= n; ++i) text += std::to_string(i) + "\r\n";
  return text;
}

// ---- The layouts of the two-class table against the files written out by hand. ----

struct FileCase {
  const char* name;
  std::vector<std::string> options;
  const char* expected_file;
};

const FileCase kFileCases[] = {
    {"no key breaks", {"-n", "2", "-r", "3", "--no-key"}, "classes_n2_r3_no_key.expected"},
    {"key 0 means no breaks", {"-n", "2", "-r", "3", "-k", "0"}, "classes_n2_r3_no_key.expected"},
    {"key past the last column", {"-n", "2", "-r", "3", "-k", "3"}, "classes_n2_r3_no_key.expected"},
    {"no breaks, padding off", {"-n", "2", "-r", "3", "--no-key", "--no-pad"}, "classes_n2_r3_no_key.expected"},
    {"key 2, padded", {"-n", "2", "-r", "3", "-k", "2"}, "classes_n2_r3_key2_pad.expected"},
    {"key 2, long options", {"--groups=2", "--rows=3", "--key=2"}, "classes_n2_r3_key2_pad.expected"},
    {"key 2, not padded", {"-n", "2", "-r", "3", "-k", "2", "--no-pad"}, "classes_n2_r3_key2_no_pad.expected"},
    {"later value wins", {"-n", "2", "-r", "3", "-k", "1", "-k", "2", "--no-pad"}, "classes_n2_r3_key2_no_pad.expected"},
    {"width changes no byte", {"-n", "2", "-r", "3", "-k", "2", "-w", "80"}, "classes_n2_r3_key2_pad.expected"},
};

TEST(CliLayoutTest, TwoClassTableFromFileStdinAndDash) {
  for (const FileCase& c : kFileCases) {
    SCOPED_TRACE(c.name);
    const std::string expected = ReadBytes(DataFile(c.expected_file));
    ASSERT_FALSE(expected.empty());
    std::vector<std::string> args = c.options;
    args.push_back("-q");

    std::vector<std::string> with_file = args;
    with_file.push_back(DataFile("classes.txt").string());
    std::vector<std::string> with_dash = args;
    with_dash.push_back("-");
    for (const auto& [how, run] : {std::pair{"file", RunCli(with_file)}, std::pair{"stdin", RunCli(args, kClasses)},
                                   std::pair{"dash", RunCli(with_dash, kClasses)}}) {
      SCOPED_TRACE(how);
      EXPECT_EQ(run.status, kExitOk) << run.err;
      EXPECT_EQ(run.out, expected);
      EXPECT_EQ(run.err, "");
    }
  }
}

// ---- Option values go through the edit box's normalisation, then the layout's. ----

struct OptionCase {
  const char* name;
  std::vector<std::string> args;
  std::string input;
  std::string expected;
};

std::string Repeat(const std::string& piece, int times, const std::string& separator) {
  std::string text;
  for (int i = 0; i < times; ++i) text += (i == 0 ? "" : separator) + piece;
  return text;
}

// Numbers(n) laid out in one group: every row a line.
std::string OneGroup(int n) {
  std::string text = "t";
  for (int i = 1; i <= n; ++i) {
    text += '\n';
    text += std::to_string(i);
  }
  return text;
}

// Numbers(n) laid out in two groups of 46 rows, n at most 92: row i of the page holds i in
// group 0 and i + 46 in group 1; the separator between them stays empty.
std::string TwoGroupsOf46(int n) {
  std::string text = "t\t\tt";
  for (int i = 1; i <= n && i <= 46; ++i) {
    text += '\n';
    text += std::to_string(i);
    text += "\t\t";
    if (i + 46 <= n) text += std::to_string(i + 46);
  }
  return text;
}

// Numbers(n) all in group 0 of two.
std::string FirstOfTwoGroups(int n) {
  std::string text = "t\t\tt";
  for (int i = 1; i <= n; ++i) {
    text += '\n';
    text += std::to_string(i);
    text += "\t\t";
  }
  return text;
}

const std::vector<OptionCase>& OptionCases() {
  static const std::vector<OptionCase> cases = {
      {"defaults: two groups of 46", {}, Numbers(5), FirstOfTwoGroups(5)},
      {"groups 0 gives one group", {"-n", "0"}, Numbers(5), OneGroup(5)},
      {"negative groups give one group", {"-n", "-7"}, Numbers(5), OneGroup(5)},
      {"explicit plus sign", {"-n", "+1"}, Numbers(5), OneGroup(5)},
      {"rows 2 is taken", {"-r", "2"}, Numbers(5), "t\t\tt\n1\t\t3\n2\t\t4\n5\t\t"},
      {"rows 46 by default", {}, Numbers(47), TwoGroupsOf46(47)},
      {"rows -99999 clamps, then gives 46", {"-r", "-99999"}, Numbers(92), TwoGroupsOf46(92)},
      {"a long run of digits saturates", {"-r", "123456789012345678901234567890"}, Numbers(100), FirstOfTwoGroups(100)},
      {"leading zeros", {"-n", "0001"}, Numbers(3), OneGroup(3)},
      {"no title: every row is data",
       {"-n", "2", "-r", "3", "--no-key", "--no-title"},
       kClasses,
       "Name\tClass\t\tCai\tB\nAnn\tA\t\tDan\tB\nBen\tA\t\tEva\tB\nFay\tB\t\t\t\nGus\tC\t\t\t"},
      {"no title with key breaks",
       {"-n", "1", "-r", "3", "-k", "2", "--no-title", "--no-pad"},
       "x\t1\r\ny\t1\r\nz\t2\r\n",
       "x\t1\ny\t1\nz\t2"},
      {"key break pads group 0 to R rows", {"-n", "1", "-r", "3", "-k", "1"}, "k\r\na\r\nb\r\n", "k\na\n\n\nb"},
      {"empty input: one empty title cell per group", {}, "", "\t\t"},
      {"LF-only lines",
       {"-n", "2", "-r", "3", "--no-key"},
       "Name\tClass\nAnn\tA\nBen\tA\nCai\tB\nDan\tB\nEva\tB\nFay\tB\nGus\tC",
       "Name\tClass\t\tName\tClass\nAnn\tA\t\tDan\tB\nBen\tA\t\tEva\tB\nCai\tB\t\tFay\tB\nGus\tC\t\t\t"},
      {"UTF-8 text passes byte for byte",
       {"-n", "2", "--no-key"},
       "姓名\t班级\r\n张三\t高一(1)班\r\n",
       "姓名\t班级\t\t姓名\t班级\n张三\t高一(1)班\t\t\t"},
  };
  return cases;
}

TEST(CliOptionsTest, ValuesAreNormalisedAsTheEditBoxesDo) {
  for (const OptionCase& c : OptionCases()) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> args = c.args;
    args.push_back("-q");
    const CliRun r = RunCli(args, c.input);
    EXPECT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(r.out, c.expected);
    EXPECT_EQ(r.err, "");
  }
}

TEST(CliOptionsTest, LargeValuesClampTo32767) {
  CliRun r = RunCli({"-q", "-n", "99999"}, "t\r\n1\r\n");
  ASSERT_EQ(r.status, kExitOk) << r.err;
  // One column, 32767 groups: 2 * 32767 - 1 result columns; the title in every group.
  const std::string title_row = r.out.substr(0, r.out.find('\n'));
  EXPECT_EQ(std::count(title_row.begin(), title_row.end(), 't'), 32767);
  EXPECT_EQ(std::count(title_row.begin(), title_row.end(), '\t'), 2 * 32767 - 2);

  // 32767 rows to a page: row 32768 is the first of group 1, beside row 1.
  r = RunCli({"-q", "-r", "99999"}, Numbers(32768));
  ASSERT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 32767);
  EXPECT_EQ(r.out.substr(0, r.out.find('\n', 6)), "t\t\tt\n1\t\t32768");
  EXPECT_EQ(r.out.substr(r.out.rfind('\n') + 1), "32767\t\t");
}

// ---- Usage errors: one line, exit status 2, nothing on stdout. ----

struct UsageErrorCase {
  const char* name;
  std::vector<std::string> args;
  const char* message_part;  // a piece of the one error line
};

const UsageErrorCase kUsageErrors[] = {
    {"unknown long option", {"--bogus"}, "unknown option '--bogus'"},
    {"unknown short option", {"-x"}, "unknown option '-x'"},
    {"letters", {"-n", "abc"}, "invalid value 'abc' for --groups"},
    {"empty value", {"-r", ""}, "invalid value '' for --rows"},
    {"leading blank", {"-n", " 5"}, "--groups"},
    {"trailing garbage", {"-k", "5x"}, "--key"},
    {"sign alone", {"-w", "-"}, "--width"},
    {"decimal point", {"-r", "1.5"}, "--rows"},
    {"full-width digit", {"-n", "\xef\xbc\x92"}, "--groups"},
    {"value with a line break stays one line", {"-n", "1\n2"}, "--groups"},
    {"key with no-key", {"-k", "2", "--no-key"}, "--no-key"},
    {"missing value", {"-n"}, "--groups"},
    {"missing value at the end", {"-q", "--rows"}, "--rows"},
    {"two files", {"a.txt", "b.txt"}, "unexpected argument 'b.txt'"},
    {"a second file after --", {"a.txt", "--", "-x"}, "unexpected argument '-x'"},
    {"empty output name", {"-o", ""}, "--output"},
    // CLI11 would take these for Windows-style options; they are file names.
    {"slash word is a file name", {"/h"}, "cannot open '/h'"},
    {"slash question mark is a file name", {"/?"}, "cannot open '/?'"},
};

TEST(CliUsageErrorTest, OneLineAndExitStatus2) {
  for (const UsageErrorCase& c : kUsageErrors) {
    SCOPED_TRACE(c.name);
    const CliRun r = RunCli(c.args, kClasses);
    ExpectOneErrorLine(r);
    EXPECT_NE(r.err.find(c.message_part), std::string::npos) << r.err;
  }
}

// ---- Input that cannot be read or is not text. ----

TEST(CliInputErrorTest, UnreadableOrNonTextInputIsRefused) {
  ScratchDir dir;
  // Not "nul.txt": NUL is a device name on Windows, whatever the extension.
  const fs::path nul_file = dir.path() / "has_nul.txt";
  WriteBytes(nul_file, std::string("a\tb\r\nc\0d\r\n", 10));
  const fs::path unreadable = dir.path() / "secret.txt";
  WriteBytes(unreadable, kClasses);
  fs::permissions(unreadable, fs::perms::none);
  const bool can_still_read = std::ifstream(unreadable).good();  // as root

  struct Case {
    const char* name;
    std::vector<std::string> args;
    std::string input;
    const char* message_part;
  };
  std::vector<Case> cases = {
      {"NUL byte on stdin", {}, std::string("a\0b", 3), "NUL byte at offset 1"},
      {"NUL byte in a file", {nul_file.string()}, "", "NUL byte at offset 6"},
      {"missing file", {(dir.path() / "none.txt").string()}, "", "none.txt"},
      {"directory", {dir.path().string()}, "", "is a directory"},
  };
  if (!can_still_read) cases.push_back({"no read permission", {unreadable.string()}, "", "secret.txt"});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const CliRun r = RunCli(c.args, c.input);
    ExpectOneErrorLine(r);
    EXPECT_NE(r.err.find(c.message_part), std::string::npos) << r.err;
  }
}

// One row of 2100 cells in 32767 groups passes the grid's column limit.
std::string TooWideForManyGroups() { return Repeat("a", 2100, "\t") + "\r\n"; }

TEST(CliInputErrorTest, RefusedLayoutIsOneLineAndNoOutput) {
  const CliRun r = RunCli({"-n", "32767"}, TooWideForManyGroups());
  ExpectOneErrorLine(r);
}

// ---- -o FILE: replaced only after success. ----

TEST(CliOutputFileTest, WrittenOnSuccessUntouchedOnError) {
  ScratchDir dir;
  const fs::path target = dir.path() / "result.txt";
  const std::string original = "earlier result\n";

  struct Case {
    const char* name;
    std::vector<std::string> args;
    std::string input;
  };
  const Case failures[] = {
      {"usage error", {"--bogus"}, kClasses},
      {"bad value", {"-r", "x"}, kClasses},
      {"NUL byte", {}, std::string("a\0", 2)},
      {"missing input", {(dir.path() / "none.txt").string()}, ""},
      {"refused layout", {"-n", "32767"}, TooWideForManyGroups()},
  };
  for (const Case& c : failures) {
    SCOPED_TRACE(c.name);
    WriteBytes(target, original);
    std::vector<std::string> args = {"-o", target.string()};
    args.insert(args.end(), c.args.begin(), c.args.end());
    ExpectOneErrorLine(RunCli(args, c.input));
    EXPECT_EQ(ReadBytes(target), original);
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"result.txt"}) << "temporary file left behind";
  }

  const CliRun r = RunCli({"-o", target.string(), "-n", "2", "-r", "3", "-k", "2"}, kClasses);
  EXPECT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, std::string(kPreprocessMessage) + "\n");
  EXPECT_EQ(ReadBytes(target), ReadBytes(DataFile("classes_n2_r3_key2_pad.expected")));
  EXPECT_EQ(dir.Entries(), std::vector<std::string>{"result.txt"});
}

TEST(CliOutputFileTest, NewFileAndKeptPermissions) {
  ScratchDir dir;
  const fs::path fresh = dir.path() / "fresh.txt";
  CliRun r = RunCli({"-q", "-o", fresh.string(), "--no-key", "-n", "1"}, "t\r\n1\r\n");
  EXPECT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(ReadBytes(fresh), "t\n1");

  const fs::path existing = dir.path() / "existing.txt";
  WriteBytes(existing, "old");
  constexpr fs::perms kOwnerReadWriteGroupRead = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
  fs::permissions(existing, kOwnerReadWriteGroupRead);
  r = RunCli({"-q", "-o", existing.string(), "-n", "1"}, "t\r\n1\r\n");
  EXPECT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(ReadBytes(existing), "t\n1");
  if (port::kReplacementKeepsPermissions) {
    EXPECT_EQ(fs::status(existing).permissions() & fs::perms::all, kOwnerReadWriteGroupRead);
  }

  // Input and output the same file: the input is read whole before the file is replaced.
  r = RunCli({"-q", "-o", existing.string(), "-n", "1", existing.string()});
  EXPECT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(ReadBytes(existing), "t\n1");

  // "-o -" is standard output.
  r = RunCli({"-q", "-o", "-", "-n", "1"}, "t\r\n1\r\n");
  EXPECT_EQ(r.out, "t\n1");
}

TEST(CliOutputFileTest, UnwritableDirectoryIsAnError) {
  ScratchDir dir;
  ExpectOneErrorLine(RunCli({"-o", (dir.path() / "no" / "such" / "dir.txt").string()}, kClasses));
  ExpectOneErrorLine(RunCli({"-o", dir.path().string()}, kClasses));
}

// Names outside the ANSI code page of a Windows system, for input and output alike.
TEST(CliOutputFileTest, NonAsciiFileNames) {
  ScratchDir dir;
  const std::string input = port::Utf8FromPath(dir.path() / port::PathFromUtf8("名单.txt"));
  const std::string output = port::Utf8FromPath(dir.path() / port::PathFromUtf8("结果 ½.txt"));
  WriteBytes(port::PathFromUtf8(input), kClasses);
  const CliRun r = RunCli({"-q", "-n", "2", "-r", "3", "-k", "2", "-o", output, input});
  EXPECT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(ReadBytes(port::PathFromUtf8(output)), ReadBytes(DataFile("classes_n2_r3_key2_pad.expected")));
  EXPECT_EQ(dir.Entries().size(), 2u) << "temporary file left behind";

  const CliRun missing = RunCli({port::Utf8FromPath(dir.path() / port::PathFromUtf8("无.txt"))});
  ExpectOneErrorLine(missing);
  EXPECT_NE(missing.err.find("无.txt'"), std::string::npos) << missing.err;
}

// A build without the print layer says so, in one line, and writes nothing.
TEST(CliOutputFileTest, PrintOutputsMissingFromTheBuildAreRefused) {
  if (PARVEX_HAS_PRINT) GTEST_SKIP() << "this build has the print outputs";
  ScratchDir dir;
  const std::string pdf = (dir.path() / "out.pdf").string();
  const std::string xlsx = (dir.path() / "out.xlsx").string();
  struct Case {
    const char* name;
    std::vector<std::string> args;
    const char* message_part;
  };
  const Case cases[] = {
      {"pdf", {"--pdf", pdf}, "--pdf: this build has no PDF output"},
      {"xlsx", {"--xlsx", xlsx}, "--xlsx: this build has no .xlsx output"},
      {"rows auto", {"-r", "auto"}, "--rows auto"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const CliRun r = RunCli(c.args, kClasses);
    ExpectOneErrorLine(r);
    EXPECT_NE(r.err.find(c.message_part), std::string::npos) << r.err;
    EXPECT_TRUE(dir.Entries().empty());
  }
}

// ---- Write errors on standard output. ----

// Accepts `capacity` bytes, then fails every write, as a full disk or a closed pipe does.
class FailingBuffer : public std::streambuf {
 public:
  explicit FailingBuffer(size_t capacity) : capacity_(capacity) {}
  const std::string& received() const { return received_; }

 protected:
  std::streamsize xsputn(const char* s, std::streamsize n) override {
    const size_t room = capacity_ - received_.size();
    const size_t taken = std::min(room, static_cast<size_t>(n));
    received_.append(s, taken);
    return static_cast<std::streamsize>(taken);
  }
  int_type overflow(int_type c) override {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    if (received_.size() >= capacity_) return traits_type::eof();
    received_.push_back(traits_type::to_char_type(c));
    return c;
  }

 private:
  size_t capacity_;
  std::string received_;
};

TEST(CliWriteErrorTest, FailedStdoutWriteIsExitStatus2) {
  for (size_t capacity : {size_t{0}, size_t{10}}) {
    SCOPED_TRACE(capacity);
    FailingBuffer buffer(capacity);
    std::ostream out(&buffer);
    std::istringstream in(kClasses);
    std::ostringstream err;
    EXPECT_EQ(parvex::Run({"-n", "2", "-r", "3"}, in, out, err), kExitFailure);
    const std::string message = err.str();
    EXPECT_NE(message.find("cannot write standard output"), std::string::npos) << message;
    EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1) << "no closing message after a failure";
  }
}

// ---- The closing message, --version and --help. ----

TEST(CliMessageTest, ClosingMessageVersionAndHelp) {
  CliRun r = RunCli({}, kClasses);
  EXPECT_EQ(r.status, kExitOk);
  EXPECT_EQ(r.err, std::string(kPreprocessMessage) + "\n");

  r = RunCli({"-q"}, kClasses);
  EXPECT_EQ(r.err, "");
  EXPECT_FALSE(r.out.empty());

  r = RunCli({"--version"}, kClasses);
  EXPECT_EQ(r.status, kExitOk);
  EXPECT_EQ(r.out, "Parvex 2.4\n");
  EXPECT_EQ(r.err, "");

  for (const char* flag : {"-h", "--help"}) {
    SCOPED_TRACE(flag);
    r = RunCli({flag, "--groups", "not read"}, kClasses);
    EXPECT_EQ(r.status, kExitOk);
    EXPECT_EQ(r.err, "");
    for (const char* option : {"--groups", "--rows", "--key", "--no-key", "--no-pad", "--no-title", "--width", "-q",
                               "--version", "FILE"}) {
      EXPECT_NE(r.out.find(option), std::string::npos) << option;
    }
  }
}

// ---- The HTML flavour: --html out, --input in. ----

TEST(CliHtmlTest, HtmlIsAFileOutputBesideOrInsteadOfTheText) {
  if (!HtmlReadingBuiltIn()) GTEST_SKIP() << "this build reads no HTML";
  ScratchDir dir;
  const fs::path html = dir.path() / "layout.html";
  const fs::path text = dir.path() / "layout.txt";
  const std::string expected = ReadBytes(DataFile("classes_n2_r3_key2_pad.expected"));
  const std::vector<std::string> layout = {"-n", "2", "-r", "3", "-k", "2"};

  std::vector<std::string> args = layout;
  args.insert(args.end(), {"--html", html.string()});
  CliRun r = RunCli(args, kClasses);
  ASSERT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(r.out, "");  // --html alone writes no text
  EXPECT_EQ(r.err, std::string(kPreprocessMessage) + "\n");
  const std::string document = ReadBytes(html);
  EXPECT_EQ(document.rfind("<!DOCTYPE html>", 0), 0u);
  // Read back, the HTML is the same layout as the text.
  r = RunCli({"-q", "-n", "1", "--no-key", "--no-title", "--input", "html", html.string()});
  const CliRun from_text = RunCli({"-q", "-n", "1", "--no-key", "--no-title"}, expected);
  ASSERT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(r.out, from_text.out);

  args.insert(args.end(), {"-o", text.string(), "-q"});
  fs::remove(html);
  r = RunCli(args, kClasses);
  ASSERT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(ReadBytes(text), expected);
  EXPECT_EQ(ReadBytes(html), document);
  EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"layout.html", "layout.txt"}));

  // A failed run leaves the HTML target as it was.
  WriteBytes(html, "earlier");
  ExpectOneErrorLine(RunCli({"--html", html.string(), "-r", "x"}, kClasses));
  ExpectOneErrorLine(RunCli({"--html", html.string(), "--input", "html"}, kClasses));
  EXPECT_EQ(ReadBytes(html), "earlier");
  ExpectOneErrorLine(RunCli({"--html", ""}, kClasses));
}

TEST(CliHtmlTest, InputIsReadAsItsKindSays) {
  if (!HtmlReadingBuiltIn()) GTEST_SKIP() << "this build reads no HTML";
  const std::string table = "<table><tr><td>No<td>Note<tr><td>001<td>a<br>b</table>";
  const std::string as_html = "No\tNote\n001\t\"a\nb\"";
  struct Case {
    const char* name;
    std::vector<std::string> args;
    std::string input;
    std::string out;  // empty: the run fails
  };
  const Case cases[] = {
      {"auto takes a table", {}, table, as_html},
      {"auto after white space, any case", {}, " \r\n<!DOCTYPE HTML>" + table, as_html},
      {"auto after a comment", {}, "<!-- copied -->" + table, as_html},
      {"auto: text that mentions a table", {}, "x <table>\ty", "x <table>\ty"},
      {"auto: HTML with no table is text", {}, "<p>a\tb", "<p>a\tb"},
      {"text reads markup as text", {"--input", "text"}, "<table>\tb", "<table>\tb"},
      {"html", {"--input", "html"}, table, as_html},
      {"html with no table fails", {"--input", "html"}, "<p>a\tb", ""},
      {"unknown kind", {"--input", "csv"}, table, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> args = {"-q", "-n", "1", "--no-key", "--no-title"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const CliRun r = RunCli(args, c.input);
    if (c.out.empty()) {
      ExpectOneErrorLine(r);
    } else {
      EXPECT_EQ(r.status, kExitOk) << r.err;
      EXPECT_EQ(r.out, c.out);
    }
  }
}

// A stream that cannot seek, as a pipe.
class UnseekableBuffer : public std::stringbuf {
 public:
  using std::stringbuf::stringbuf;

 protected:
  pos_type seekoff(off_type, std::ios::seekdir, std::ios::openmode) override { return pos_type(-1); }
  pos_type seekpos(pos_type, std::ios::openmode) override { return pos_type(-1); }
};

TEST(ReadInputTest, WholeTextWhetherSizedOrNot) {
  ScratchDir dir;
  std::string big(3 * (size_t{1} << 20) + 17, 'x');  // more than one block
  for (size_t i = 0; i < big.size(); i += 4093) big[i] = '\n';
  for (const std::string& text : {std::string(), std::string("a\tb\r\n"), big}) {
    SCOPED_TRACE(text.size());
    std::string got;

    std::istringstream seekable(text);
    EXPECT_TRUE(test_support::IsOk(ReadStream(seekable, &got)));
    EXPECT_EQ(got, text);

    UnseekableBuffer buffer(text);
    std::istream pipe(&buffer);
    EXPECT_TRUE(test_support::IsOk(ReadStream(pipe, &got)));
    EXPECT_EQ(got, text);

    const fs::path file = dir.path() / "input.txt";
    WriteBytes(file, text);
    EXPECT_TRUE(test_support::IsOk(ReadFile(file.string(), &got)));
    EXPECT_EQ(got, text);

    TextBuffer mapped;
    EXPECT_TRUE(test_support::IsOk(MapFile(file.string(), &mapped)));
    EXPECT_EQ(std::string_view(mapped.data(), mapped.size()), text);
  }
}

TEST(ReadInputTest, FindsTheFirstNulByteInEitherHalf) {
  std::string text(size_t{9} << 20, 'x');
  const size_t half = text.size() / 2;
  EXPECT_EQ(FindNul(text), std::string_view::npos);
  for (const size_t at : {size_t{0}, half - 1, half, text.size() - 1}) {
    SCOPED_TRACE(at);
    text[at] = '\0';
    text[text.size() - 1] = '\0';  // a later one must not win
    EXPECT_EQ(FindNul(text), at);
    text.assign(text.size(), 'x');
  }
  EXPECT_EQ(FindNul(std::string_view("a\0b", 3)), 1u);
}

// A mapped input is unquoted in place; the file on disk must not see it.
TEST(ReadInputTest, MappedFileIsNotWrittenTo) {
  ScratchDir dir;
  const fs::path file = dir.path() / "quoted.txt";
  const std::string text = "\"say \"\"hi\"\"\"\tb\r\n\"x\ny\"\tz\r\n";
  WriteBytes(file, text);
  const CliRun run = RunCli({"-q", file.string()});
  EXPECT_EQ(run.status, kExitOk) << run.err;
  EXPECT_NE(run.out.find("say \"hi\"\tb"), std::string::npos) << run.out;
  EXPECT_EQ(ReadBytes(file), text);
}

}  // namespace
}  // namespace parvex
