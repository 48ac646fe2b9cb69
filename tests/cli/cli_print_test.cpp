// parvex-cli's print outputs: --pdf, --xlsx, --rows auto and the page options.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "support/temp_dir_test.h"
#include "support/command_output.h"
#include "support/cli_run.h"
#include "support/file_size_limit.h"
#include "support/same_bytes.h"

namespace parvex {
namespace {

namespace fs = std::filesystem;
using test_support::CliRun;
using test_support::RunCli;
using test_support::CommandOutput;
using test_support::ShellPath;

using test_support::ReadBytes;
using test_support::SameBytes;

int PdfPages(const fs::path& pdf) {
  std::smatch match;
  const std::string info = CommandOutput("pdfinfo " + ShellPath(pdf) + " 2>/dev/null");
  return std::regex_search(info, match, std::regex("Pages:\\s+([0-9]+)")) ? std::stoi(match[1].str()) : -1;
}

// Non-blank lines of one page of the PDF.
int PdfPageLines(const fs::path& pdf, int page) {
  const std::string text = CommandOutput("pdftotext -layout -f " + std::to_string(page) + " -l " + std::to_string(page) +
                                  " " + ShellPath(pdf) + " - 2>/dev/null");
  std::istringstream in(text);
  int lines = 0;
  for (std::string line; std::getline(in, line);) {
    if (line.find_first_not_of(" \f") != std::string::npos) ++lines;
  }
  return lines;
}

// The 0-based rows where the workbook's first sheet starts a new page.
std::vector<int> XlsxBreaks(const fs::path& xlsx) {
  const std::string sheet = CommandOutput("unzip -p " + ShellPath(xlsx) + " xl/worksheets/sheet1.xml 2>/dev/null");
  std::vector<int> breaks;
  const std::regex brk("<brk id=\"([0-9]+)\"");
  for (auto it = std::sregex_iterator(sheet.begin(), sheet.end(), brk); it != std::sregex_iterator(); ++it) {
    breaks.push_back(std::stoi((*it)[1].str()));
  }
  return breaks;
}

// A one-column table: a title "t" and the data rows 1..n.
std::string Numbers(int n) {
  std::string text = "t\r\n";
  for (int i = 1; i <= n; ++i) text += std::to_string(i) + "\r\n";
  return text;
}

class CliPrintTest : public test_support::TempDirTest {
 protected:
  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
};

struct OutputCase {
  const char* name;
  std::vector<std::string> options;
  int rows;   // data rows on a full page, as auto or --rows gives them
  int pages;  // of 100 data rows in two groups
};

// Auto rows on A4 portrait, 15 mm margins, 10 pt type in 18 pt rows: 40; the rest follows.
const OutputCase kOutputCases[] = {
    {"auto by default", {}, 40, 2},
    {"auto by name", {"--rows", "AUTO"}, 40, 2},
    {"typed rows win", {"-r", "10"}, 10, 5},
    {"landscape", {"--landscape"}, 26, 2},
    {"A3", {"--paper", "a3"}, 59, 1},
    {"Letter", {"--paper", "Letter"}, 37, 2},
    {"no margins", {"--margins", "0,0,0,0"}, 44, 2},
    {"wide margins", {"--margins", "40,10,40.5,10"}, 32, 2},
    {"12 pt type", {"--font-size", "12"}, 32, 2},
    {"no title row", {"--no-title"}, 41, 2},
};

// Below 7 pt the closing line warns, on the same line, and names the ways to larger type.
TEST_F(CliPrintTest, SmallTypeIsWarnedOf) {
  const struct {
    const char* name;
    std::vector<std::string> options;
    bool warned;
  } cases[] = {
      {"a page's own rows", {}, false},
      {"200 typed rows scale the page down", {"-r", "200"}, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> args = c.options;
    args.insert(args.end(), {"--pdf", (dir_ / "out.pdf").string()});
    const CliRun r = RunCli(args, Numbers(300));
    ASSERT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_EQ(r.err.find("；字号小于 7 pt") != std::string::npos, c.warned) << r.err;
    if (c.warned) {
      EXPECT_NE(r.err.find("--groups auto"), std::string::npos) << r.err;
    }
  }
}

TEST_F(CliPrintTest, PdfAndXlsxFollowThePageSetup) {
  for (const OutputCase& c : kOutputCases) {
    SCOPED_TRACE(c.name);
    const fs::path pdf = dir_ / "out.pdf";
    const fs::path xlsx = dir_ / "out.xlsx";
    std::vector<std::string> args = c.options;
    args.insert(args.end(), {"--pdf", pdf.string(), "--xlsx", xlsx.string()});
    const CliRun r = RunCli(args, Numbers(100));
    ASSERT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(r.out, "");
    // The closing message names what was printed.
    const bool big = std::find(c.options.begin(), c.options.end(), "12") != c.options.end();
    EXPECT_EQ(r.err, std::to_string(c.pages) + " 页，每页 2 栏 × " + std::to_string(c.rows) + " 行，字号 " +
                         (big ? "12" : "10") + " pt\n");
    EXPECT_EQ(PdfPages(pdf), c.pages);
    const bool title = std::find(c.options.begin(), c.options.end(), "--no-title") == c.options.end();
    // The title row, a full page of rows (or the 100 rows of a single page over both groups) and
    // the footer.
    EXPECT_EQ(PdfPageLines(pdf, 1), (title ? 1 : 0) + (c.pages == 1 ? 50 : c.rows) + 1);
    std::vector<int> breaks;
    for (int page = 1; page < c.pages; ++page) breaks.push_back((title ? 1 : 0) + page * c.rows);
    EXPECT_EQ(XlsxBreaks(xlsx), breaks);
  }
}

TEST_F(CliPrintTest, TextOnlyWhereAskedFor) {
  const fs::path pdf = dir_ / "out.pdf";
  const fs::path text = dir_ / "out.txt";
  // With -o the text is written too, laid out with the same auto rows.
  CliRun r = RunCli({"--pdf", pdf.string(), "-o", text.string(), "-q"}, Numbers(100));
  ASSERT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(r.out, "");
  const CliRun typed = RunCli({"-r", "40", "-q"}, Numbers(100));
  EXPECT_EQ(ReadBytes(text), typed.out);
  // --rows auto lays the text out for the printed page too.
  r = RunCli({"--rows", "auto", "-q"}, Numbers(100));
  EXPECT_EQ(r.out, typed.out);
  r = RunCli({"--rows", "auto", "--paper", "A3", "-q"}, Numbers(100));
  EXPECT_EQ(r.out, RunCli({"-r", "59", "-q"}, Numbers(100)).out);
  // Without print files the default stays the window's 46.
  EXPECT_EQ(RunCli({"-q"}, Numbers(100)).out, RunCli({"-r", "46", "-q"}, Numbers(100)).out);
}

// --balance reshapes the printed last page only: the text stays that of the commands.
TEST_F(CliPrintTest, BalanceChangesThePagesNotTheText) {
  const fs::path pdf = dir_ / "out.pdf";
  const fs::path xlsx = dir_ / "out.xlsx";
  const fs::path text = dir_ / "out.txt";
  const CliRun plain = RunCli({"-r", "10", "-q"}, Numbers(25));
  const CliRun r =
      RunCli({"--balance", "-r", "10", "--pdf", pdf.string(), "--xlsx", xlsx.string(), "-o", text.string()}, Numbers(25));
  ASSERT_EQ(r.status, kExitOk) << r.err;
  const std::string summary = "2 页，每页 2 栏 × 10 行，字号 10 pt\n";
  EXPECT_EQ(r.err.substr(r.err.size() - std::min(r.err.size(), summary.size())), summary) << r.err;
  EXPECT_TRUE(SameBytes(ReadBytes(text), plain.out));
  // Five rows left: three and two, under the title and above the footer.
  EXPECT_EQ(PdfPages(pdf), 2);
  EXPECT_EQ(PdfPageLines(pdf, 1), 1 + 10 + 1);
  EXPECT_EQ(PdfPageLines(pdf, 2), 1 + 3 + 1);
  EXPECT_EQ(XlsxBreaks(xlsx), (std::vector<int>{11}));
  const std::string page2 = CommandOutput("pdftotext -layout -f 2 -l 2 " + ShellPath(pdf) + " - 2>/dev/null");
  EXPECT_TRUE(std::regex_search(page2, std::regex("21 +24"))) << page2;
  EXPECT_TRUE(std::regex_search(page2, std::regex("\\b23 *\n"))) << page2;
}

struct ErrorCase {
  const char* name;
  std::vector<std::string> options;
  const char* message_part;
};

const ErrorCase kErrorCases[] = {
    {"unknown paper", {"--paper", "A6"}, "invalid value 'A6' for --paper"},
    {"three margins", {"--margins", "1,2,3"}, "invalid value '1,2,3' for --margins"},
    {"five margins", {"--margins", "1,2,3,4,5"}, "for --margins"},
    {"negative margin", {"--margins", "-1,0,0,0"}, "for --margins"},
    {"margin not a number", {"--margins", "a,0,0,0"}, "for --margins"},
    {"empty margin", {"--margins", "1,,3,4"}, "for --margins"},
    {"margins leave no room", {"--margins", "150,0,150,0"}, "margins leave too little"},
    {"font too small", {"--font-size", "2"}, "font size 2 pt"},
    {"font not a number", {"--font-size", "12pt"}, "invalid value '12pt' for --font-size"},
    {"rows neither a number nor auto", {"--rows", "autos"}, "invalid value 'autos' for --rows"},
    {"empty pdf name", {"--pdf", ""}, "--pdf needs a file name"},
    {"pdf to stdout", {"--pdf", "-"}, "--pdf needs a file name"},
    {"pdf without a value", {"--pdf"}, "needs a value"},
    {"xlsx in a missing directory", {"--xlsx", "/nonexistent-dir/x.xlsx"}, "cannot create a file"},
    {"pdf in a missing directory", {"--pdf", "/nonexistent-dir/x.pdf"}, "cannot create a file"},
    {"header of two lines", {"--header", "a\nb"}, "the page header is not one line"},
    {"header too long", {"--header", std::string(201, 'x')}, "at most 200 bytes"},
    {"groups neither a number nor auto", {"--groups", "fit"}, "invalid value 'fit' for --groups"},
};

TEST_F(CliPrintTest, BadPageOptionsAreOneLineAndNoFile) {
  const fs::path pdf = dir_ / "kept.pdf";
  const fs::path xlsx = dir_ / "kept.xlsx";
  std::ofstream(pdf, std::ios::binary) << "old pdf";
  std::ofstream(xlsx, std::ios::binary) << "old xlsx";
  for (const ErrorCase& c : kErrorCases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> args = {"--xlsx", xlsx.string(), "--pdf", pdf.string()};
    args.insert(args.end(), c.options.begin(), c.options.end());
    const CliRun r = RunCli(args, Numbers(10));
    EXPECT_EQ(r.status, kExitFailure);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.rfind("parvex-cli: ", 0), 0u) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_NE(r.err.find(c.message_part), std::string::npos) << r.err;
    EXPECT_TRUE(SameBytes(ReadBytes(pdf), "old pdf"));
    EXPECT_TRUE(SameBytes(ReadBytes(xlsx), "old xlsx"));
    EXPECT_EQ(Entries(), (std::vector<std::string>{"kept.pdf", "kept.xlsx"}));
  }
}

TEST_F(CliPrintTest, FittedGroupsLayTheTextOutAsThePages) {
  const fs::path pdf = dir_ / "out.pdf";
  const fs::path text = dir_ / "out.txt";
  const CliRun r = RunCli({"--groups", "AUTO", "--pdf", pdf.string(), "-o", text.string()}, Numbers(400));
  ASSERT_EQ(r.status, kExitOk) << r.err;
  std::smatch m;
  ASSERT_TRUE(std::regex_search(r.err, m, std::regex("1 页，每页 ([0-9]+) 栏 × ([0-9]+) 行，字号 10 pt\n$"))) << r.err;
  const int groups = std::stoi(m[1].str());
  EXPECT_GE(groups * std::stoi(m[2].str()), 400);
  // The text's title row holds a title per group, a separator column between neighbours.
  const std::string laid_out = ReadBytes(text);
  const std::string title = laid_out.substr(0, laid_out.find("\r\n"));
  EXPECT_EQ(std::count(title.begin(), title.end(), 't'), groups) << title;
  EXPECT_EQ(PdfPages(pdf), 1);
}

// A write that fails part-way (a full disk; here a file size limit) is one line naming the file
// and the system's reason, nothing from the libraries, and no file left behind. (The .xlsx
// writer's temporary files are cut short by the limit before the workbook is: it is checked on a
// full disk by hand, as a test cannot fill one.)
TEST_F(CliPrintTest, FailedWriteSaysWhatHappenedOnce) {
#ifndef _WIN32  // no file size limit to cut a write short
  for (const char* option : {"--pdf"}) {
    SCOPED_TRACE(option);
    const fs::path target = dir_ / (std::string("out.") + (option[2] == 'p' ? "pdf" : "xlsx"));
    test_support::CapturedStderr captured;
    CliRun r;
    {
      test_support::FileSizeLimit limit(8192);
      r = RunCli({option, target.string()}, Numbers(3000));
    }
    EXPECT_EQ(captured.Take(), "");
    EXPECT_EQ(r.status, kExitFailure);
    EXPECT_EQ(r.err, "parvex-cli: cannot write '" + target.string() + "': File too large\n");
    EXPECT_TRUE(Entries().empty());
  }
#endif
  // libxlsxwriter's own complaint about a header it cannot keep stays off standard error.
  test_support::CapturedStderr captured;
  const CliRun r = RunCli({"--xlsx", (dir_ / "h.xlsx").string(), "--header", std::string(150, '&')}, Numbers(3));
  EXPECT_EQ(captured.Take(), "");
  EXPECT_EQ(r.err, "parvex-cli: the page header is too long for a spreadsheet's page setup (255 characters at most)\n");
  EXPECT_TRUE(Entries().empty());
}

TEST_F(CliPrintTest, RefusedLayoutWritesNoFile) {
  const fs::path pdf = dir_ / "out.pdf";
  // 32767 groups of 70000 columns: more than the grid's columns.
  std::string wide = "a";
  for (int i = 0; i < 70000; ++i) wide += "\tb";
  const CliRun r = RunCli({"--pdf", pdf.string(), "-n", "32767", "-r", "2"}, wide + "\r\n1\r\n");
  EXPECT_EQ(r.status, kExitFailure);
  EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
  EXPECT_TRUE(Entries().empty());
}

}  // namespace
}  // namespace parvex
