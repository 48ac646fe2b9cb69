// parvex-gen-table ROWS COLS SEED: writes to standard output a table as a spreadsheet copies it
// (UTF-8, TAB between cells, CR LF after every row): a title row and ROWS data rows of COLS
// columns, like a staff ledger. The same arguments always give the same bytes. Six columns
// come to about 68 bytes a row; the third column holds a department that stays the same for
// runs of rows, as in a sorted sheet, so that it can serve as a key column.
#include <array>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

namespace {

// splitmix64: small, fast, and the same on every platform.
class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed) {}
  uint64_t Next() {
    uint64_t z = (state_ += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
  }
  // Uniform enough in [0, n) for a benchmark's text.
  uint32_t Below(uint32_t n) { return static_cast<uint32_t>(Next() % n); }

 private:
  uint64_t state_;
};

constexpr std::array<std::string_view, 40> kSurnames = {
    "王", "李", "张", "刘", "陈", "杨", "黄", "赵", "吴", "周", "徐", "孙", "马", "朱",
    "胡", "郭", "何", "高", "林", "罗", "郑", "梁", "谢", "宋", "唐", "许", "韩", "冯",
    "邓", "曹", "彭", "曾", "肖", "田", "董", "袁", "潘", "于", "蒋", "蔡"};
constexpr std::array<std::string_view, 32> kGivenNames = {
    "伟", "芳", "娜", "敏", "静", "丽", "强", "磊", "军", "洋", "勇", "艳", "杰", "涛", "明", "超",
    "秀英", "子涵", "浩然", "欣怡", "梓轩", "雨桐", "宇航", "诗涵", "俊杰", "思远", "佳怡", "博文",
    "雅婷", "天佑", "建国", "志强"};
constexpr std::array<std::string_view, 10> kDepartments = {
    "财务部", "市场部", "人力资源部", "研发中心", "行政部", "销售一部", "销售二部", "采购部", "质检部", "客服中心"};
constexpr std::array<std::string_view, 16> kSummaries = {
    "差旅费报销", "办公用品采购", "会议费", "培训费用", "业务招待费", "设备维修",   "通讯费",     "年终奖金",
    "房租水电",   "快递费",       "印刷费", "软件服务费", "交通补贴",   "加班餐费", "市场推广费", "材料采购款"};
constexpr std::array<std::string_view, 8> kTitles = {"编号", "姓名", "部门", "日期", "金额", "摘要", "电话", "备注"};

class Writer {
 public:
  ~Writer() { Flush(); }
  void Put(std::string_view s) {
    if (buffer_.size() + s.size() > kCapacity) Flush();
    buffer_.append(s);
  }
  void PutNumber(uint64_t value, int min_digits = 1) {
    char digits[24];
    auto [end, ec] = std::to_chars(digits, digits + sizeof digits, value);
    (void)ec;
    for (int pad = min_digits - static_cast<int>(end - digits); pad > 0; --pad) Put("0");
    Put(std::string_view(digits, static_cast<size_t>(end - digits)));
  }
  bool Flush() {
    if (!buffer_.empty() && std::fwrite(buffer_.data(), 1, buffer_.size(), stdout) != buffer_.size()) failed_ = true;
    buffer_.clear();
    return !failed_;
  }
  bool failed() const { return failed_; }

 private:
  static constexpr size_t kCapacity = size_t{1} << 20;
  std::string buffer_;
  bool failed_ = false;
};

bool ParseCount(const char* text, uint64_t* value) {
  const char* end = text + std::strlen(text);
  auto [ptr, ec] = std::from_chars(text, end, *value);
  return ec == std::errc() && ptr == end && ptr != text;
}

}  // namespace

int main(int argc, char** argv) {
  uint64_t rows = 0;
  uint64_t cols = 0;
  uint64_t seed = 0;
  if (argc != 4 || !ParseCount(argv[1], &rows) || !ParseCount(argv[2], &cols) || !ParseCount(argv[3], &seed) ||
      cols == 0 || cols > 10000) {
    std::fprintf(stderr, "usage: parvex-gen-table ROWS COLS SEED   (COLS 1..10000)\n");
    return 2;
  }
  Random random(seed);
  Writer out;
  for (uint64_t c = 0; c < cols; ++c) {
    if (c > 0) out.Put("\t");
    out.Put(kTitles[c % kTitles.size()]);
    if (c >= kTitles.size()) out.PutNumber(c / kTitles.size() + 1);
  }
  out.Put("\r\n");

  size_t department = 0;
  uint64_t department_left = 0;
  for (uint64_t r = 0; r < rows; ++r) {
    if (department_left == 0) {  // the next department's run of rows
      department = random.Below(kDepartments.size());
      department_left = 20 + random.Below(60);
    }
    --department_left;
    for (uint64_t c = 0; c < cols; ++c) {
      if (c > 0) out.Put("\t");
      switch (c % kTitles.size()) {
        case 0:
          out.PutNumber(2025000000 + r + 1, 10);
          break;
        case 1:
          out.Put(kSurnames[random.Below(kSurnames.size())]);
          out.Put(kGivenNames[random.Below(kGivenNames.size())]);
          break;
        case 2:
          out.Put(kDepartments[department]);
          break;
        case 3:
          out.Put("2025-");
          out.PutNumber(1 + random.Below(12), 2);
          out.Put("-");
          out.PutNumber(1 + random.Below(28), 2);
          break;
        case 4:
          out.PutNumber(1 + random.Below(999999));
          out.Put(".");
          out.PutNumber(random.Below(100), 2);
          break;
        case 5:
          out.Put(kSummaries[random.Below(kSummaries.size())]);
          break;
        case 6:
          out.Put("1");
          out.PutNumber(3000000000ULL + random.Below(999999999), 10);
          break;
        default:
          // Now and then an empty cell, as real sheets have.
          if (random.Below(4) != 0) out.Put(kSummaries[random.Below(kSummaries.size())]);
          break;
      }
    }
    out.Put("\r\n");
  }
  if (!out.Flush() || std::fflush(stdout) != 0) {
    std::fprintf(stderr, "parvex-gen-table: write error\n");
    return 2;
  }
  return 0;
}
