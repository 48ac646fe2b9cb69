#include "html/html_table_reader.h"

#if defined(PARVEX_HAVE_GUMBO)
#include <gumbo.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <vector>

#include "grid/grid.h"
#include "grid/table_text.h"
#include "port/code_page.h"
#include "port/utf8.h"

namespace parvex {
namespace {

// Slots that the rowspans of earlier rows cover, summed over the rows they are looked at in: the
// work that placing cells takes. Past this a table is taken for hostile input.
constexpr int64_t kMaxSpanWork = int64_t{1} << 26;
// The table text may be this many times as long as the HTML, or kMinTextLimit bytes.
constexpr int64_t kMaxTextPerHtmlByte = 16;
constexpr int64_t kMinTextLimit = int64_t{16} << 20;

const GumboVector& ChildrenOf(const GumboNode* node) {
  return node->type == GUMBO_NODE_DOCUMENT ? node->v.document.children : node->v.element.children;
}

const GumboNode* ChildAt(const GumboVector& children, unsigned k) {
  return static_cast<const GumboNode*>(children.data[k]);
}

bool IsElement(const GumboNode* node, GumboTag tag) {
  return node->type == GUMBO_NODE_ELEMENT && node->v.element.tag == tag;
}

bool IsAsciiSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsAsciiSpace(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsAsciiSpace(s.back())) s.remove_suffix(1);
  return s;
}

// What an element's own style attribute says about its text.
struct InlineStyle {
  std::optional<bool> keep_white_space;  // white-space: pre & co. (true), normal & co. (false)
  bool spacerun = false;                 // mso-spacerun:yes, Excel's kept spaces
  bool hidden = false;                   // display:none
};

InlineStyle StyleOf(const GumboNode* element) {
  InlineStyle style;
  const GumboAttribute* attribute = gumbo_get_attribute(&element->v.element.attributes, "style");
  if (attribute == nullptr) return style;
  std::string text(attribute->value);
  std::transform(text.begin(), text.end(), text.begin(),
                 [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
  std::string_view rest = text;
  while (!rest.empty()) {
    const size_t end = std::min(rest.find(';'), rest.size());
    const std::string_view declaration = rest.substr(0, end);
    rest.remove_prefix(std::min(end + 1, rest.size()));
    const size_t colon = declaration.find(':');
    if (colon == std::string_view::npos) continue;
    const std::string_view name = Trim(declaration.substr(0, colon));
    std::string_view value = Trim(declaration.substr(colon + 1));
    if (const size_t bang = value.find('!'); bang != std::string_view::npos) value = Trim(value.substr(0, bang));
    if (name == "white-space") {
      if (value == "pre" || value == "pre-wrap" || value == "break-spaces") style.keep_white_space = true;
      if (value == "normal" || value == "nowrap" || value == "pre-line") style.keep_white_space = false;
    } else if (name == "display") {
      style.hidden = value == "none";
    } else if (name == "mso-spacerun") {
      style.spacerun = value == "yes";
    }
  }
  return style;
}

bool IsHidden(const GumboNode* element) { return StyleOf(element).hidden; }

// Elements whose content is no text of the page.
bool IsSkipped(GumboTag tag) {
  switch (tag) {
    case GUMBO_TAG_SCRIPT:
    case GUMBO_TAG_STYLE:
    case GUMBO_TAG_NOSCRIPT:
    case GUMBO_TAG_HEAD:
    case GUMBO_TAG_TITLE:
    case GUMBO_TAG_TEMPLATE:
      return true;
    default:
      return false;
  }
}

// Elements that begin and end a line of their own.
bool IsBlock(GumboTag tag) {
  switch (tag) {
    case GUMBO_TAG_ADDRESS: case GUMBO_TAG_ARTICLE: case GUMBO_TAG_ASIDE: case GUMBO_TAG_BLOCKQUOTE:
    case GUMBO_TAG_CENTER: case GUMBO_TAG_DD: case GUMBO_TAG_DETAILS: case GUMBO_TAG_DIR: case GUMBO_TAG_DIV:
    case GUMBO_TAG_DL: case GUMBO_TAG_DT: case GUMBO_TAG_FIELDSET: case GUMBO_TAG_FIGCAPTION:
    case GUMBO_TAG_FIGURE: case GUMBO_TAG_FOOTER: case GUMBO_TAG_FORM: case GUMBO_TAG_H1: case GUMBO_TAG_H2:
    case GUMBO_TAG_H3: case GUMBO_TAG_H4: case GUMBO_TAG_H5: case GUMBO_TAG_H6: case GUMBO_TAG_HEADER:
    case GUMBO_TAG_HGROUP: case GUMBO_TAG_HR: case GUMBO_TAG_LI: case GUMBO_TAG_MAIN: case GUMBO_TAG_MENU:
    case GUMBO_TAG_NAV: case GUMBO_TAG_OL: case GUMBO_TAG_P: case GUMBO_TAG_PRE: case GUMBO_TAG_LISTING:
    case GUMBO_TAG_PLAINTEXT: case GUMBO_TAG_SECTION: case GUMBO_TAG_SUMMARY: case GUMBO_TAG_UL:
    case GUMBO_TAG_TABLE: case GUMBO_TAG_CAPTION: case GUMBO_TAG_TR:
      return true;
    default:
      return false;
  }
}

// Builds a cell's text the way a browser lays out white space: a run of collapsible white space
// is one space, and none at the start or end of a line.
class TextBuilder {
 public:
  // How a run of text's white space reads.
  enum class Space {
    kCollapse,  // as a browser lays it out
    kKeep,      // as it stands
    // Excel's mso-spacerun: spaces and &nbsp; as typed spaces, and a source line break with the
    // indentation after it one space, for Excel wraps its source lines at a space, inside such
    // a span too.
    kSpacerun,
    kSpacerunRaw,  // a spacerun in a document whose white space stands as it is: no wrapping
  };

  void Add(std::string_view text, Space space) {
    if (space == Space::kKeep) {
      FlushPending();
      // A CR that a reference (&#13;) put there ends a line as LF does, CR LF included: a
      // cell's line breaks are LFs.
      for (size_t at = text.find('\r'); at != std::string_view::npos; at = text.find('\r')) {
        out_ += text.substr(0, at);
        out_ += '\n';
        text.remove_prefix(at + (text.substr(at).starts_with("\r\n") ? 2 : 1));
      }
      out_ += text;
      return;
    }
    if (space == Space::kSpacerun || space == Space::kSpacerunRaw) {
      FlushPending();
      while (!text.empty()) {
        const size_t at = text.find_first_of(space == Space::kSpacerun ? "\xC2\r\n" : "\xC2\r");
        out_ += text.substr(0, at);
        if (at == std::string_view::npos) break;
        text.remove_prefix(at);
        if (text.starts_with("\xC2\xA0")) {
          out_ += ' ';
          text.remove_prefix(2);
        } else if (text.front() == '\xC2') {
          out_ += text.front();
          text.remove_prefix(1);
        } else if (space == Space::kSpacerunRaw) {  // a CR, as in a kept run
          out_ += '\n';
          text.remove_prefix(text.starts_with("\r\n") ? 2 : 1);
        } else {
          out_ += ' ';
          while (!text.empty() && (text.front() == '\r' || text.front() == '\n')) text.remove_prefix(1);
          while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
        }
      }
      return;
    }
    while (!text.empty()) {
      size_t word = 0;
      while (word < text.size() && IsAsciiSpace(text[word])) ++word;
      if (word > 0) {
        pending_space_ = true;
        text.remove_prefix(word);
        continue;
      }
      size_t end = 0;
      while (end < text.size() && !IsAsciiSpace(text[end])) ++end;
      FlushPending();
      out_ += text.substr(0, end);
      text.remove_prefix(end);
    }
  }
  // <br>: a line break even where there is nothing before it.
  void LineBreak() {
    pending_space_ = false;
    if (pending_break_) {
      out_ += '\n';
      pending_break_ = false;
    }
    out_ += '\n';
  }
  // The edge of a block: a line break, unless the line is empty anyway.
  void BlockEdge() {
    pending_space_ = false;
    if (!out_.empty() && out_.back() != '\n') pending_break_ = true;
  }
  // Parts the cells of a nested table's row.
  void Separate() { pending_space_ = true; }

  std::string Take() { return std::move(out_); }

 private:
  void FlushPending() {
    if (pending_break_) {
      out_ += '\n';
    } else if (pending_space_ && !out_.empty() && out_.back() != '\n') {
      out_ += ' ';
    }
    pending_break_ = false;
    pending_space_ = false;
  }

  std::string out_;
  bool pending_space_ = false;
  bool pending_break_ = false;
};

// The text of one cell, read without recursion: markup may nest deeper than a stack would take.
// `raw_white_space`: the document writes a cell's white space as it stands (see
// WritesRawWhiteSpace), so none of it is collapsed.
std::string CellText(const GumboNode* cell, bool raw_white_space) {
  struct Frame {
    const GumboNode* node;
    unsigned next;
    bool keep;
    bool spacerun;
    bool block;
  };
  TextBuilder text;
  const InlineStyle own = StyleOf(cell);
  std::vector<Frame> stack;
  stack.push_back({cell, 0, raw_white_space || own.keep_white_space.value_or(false) || own.spacerun, own.spacerun, false});
  while (!stack.empty()) {
    Frame& frame = stack.back();
    const GumboVector& children = ChildrenOf(frame.node);
    if (frame.next == children.length) {
      if (frame.block) text.BlockEdge();
      stack.pop_back();
      continue;
    }
    const GumboNode* child = ChildAt(children, frame.next++);
    if (child->type == GUMBO_NODE_TEXT || child->type == GUMBO_NODE_CDATA || child->type == GUMBO_NODE_WHITESPACE) {
      using Space = TextBuilder::Space;
      const Space space = !frame.keep      ? Space::kCollapse
                          : !frame.spacerun ? Space::kKeep
                          : raw_white_space ? Space::kSpacerunRaw
                                            : Space::kSpacerun;
      text.Add(child->v.text.text, space);
      continue;
    }
    if (child->type != GUMBO_NODE_ELEMENT) continue;  // comments; template contents
    const GumboTag tag = child->v.element.tag;
    if (IsSkipped(tag)) continue;
    const InlineStyle style = StyleOf(child);
    if (style.hidden) continue;
    if (tag == GUMBO_TAG_BR) {
      text.LineBreak();
      continue;
    }
    bool keep = frame.keep || tag == GUMBO_TAG_PRE || tag == GUMBO_TAG_LISTING || tag == GUMBO_TAG_PLAINTEXT ||
                tag == GUMBO_TAG_TEXTAREA;
    if (style.keep_white_space) keep = *style.keep_white_space;
    const bool spacerun = frame.spacerun || style.spacerun;
    if (style.spacerun) keep = true;
    const bool block = IsBlock(tag);
    if (tag == GUMBO_TAG_TD || tag == GUMBO_TAG_TH) text.Separate();
    if (block) text.BlockEdge();
    stack.push_back({child, 0, keep, spacerun, block});  // `frame` is not used past here
  }
  return text.Take();
}

// True when the document comes from LibreOffice (its <meta name="generator">): it writes the
// spaces and TABs of a cell as they stand, line breaks as <br>, and its cells keep exactly that
// text, so reading it as a browser shows it would join "a  b" into "a b".
bool WritesRawWhiteSpace(const GumboNode* document) {
  std::vector<const GumboNode*> stack{document};
  while (!stack.empty()) {
    const GumboNode* node = stack.back();
    stack.pop_back();
    if (node->type != GUMBO_NODE_DOCUMENT && node->type != GUMBO_NODE_ELEMENT) continue;
    if (IsElement(node, GUMBO_TAG_META)) {
      const GumboAttribute* name = gumbo_get_attribute(&node->v.element.attributes, "name");
      const GumboAttribute* content = gumbo_get_attribute(&node->v.element.attributes, "content");
      if (name != nullptr && content != nullptr && std::string_view(name->value) == "generator") {
        const std::string_view generator(content->value);
        return generator.starts_with("LibreOffice") || generator.starts_with("OpenOffice");
      }
      continue;
    }
    if (IsElement(node, GUMBO_TAG_BODY)) continue;  // the generator stands in the head
    const GumboVector& children = ChildrenOf(node);
    for (unsigned i = children.length; i > 0; --i) stack.push_back(ChildAt(children, i - 1));
  }
  return false;
}

// The first <table> in document order, outside templates; null when there is none.
const GumboNode* FirstTable(const GumboNode* root) {
  std::vector<std::pair<const GumboNode*, unsigned>> stack;
  stack.emplace_back(root, 0);
  while (!stack.empty()) {
    auto& [node, next] = stack.back();
    const GumboVector& children = ChildrenOf(node);
    if (next == children.length) {
      stack.pop_back();
      continue;
    }
    const GumboNode* child = ChildAt(children, next++);
    if (child->type != GUMBO_NODE_ELEMENT) continue;
    if (child->v.element.tag == GUMBO_TAG_TABLE) return child;
    stack.emplace_back(child, 0);
  }
  return nullptr;
}

// HTML's rules for a non-negative integer attribute: white space, an optional '+', digits.
// `fallback` when there are no digits.
int64_t SpanOf(const GumboNode* cell, const char* name, int64_t fallback) {
  const GumboAttribute* attribute = gumbo_get_attribute(&cell->v.element.attributes, name);
  if (attribute == nullptr) return fallback;
  std::string_view value = Trim(attribute->value);
  if (!value.empty() && value.front() == '+') value.remove_prefix(1);
  int64_t number = 0;
  size_t digits = 0;
  while (digits < value.size() && value[digits] >= '0' && value[digits] <= '9') {
    number = std::min<int64_t>(number * 10 + (value[digits] - '0'), kMaxHtmlSpan);
    ++digits;
  }
  return digits == 0 ? fallback : number;
}

// `text` with every byte that begins no UTF-8 sequence as U+FFFD. The parser's text is UTF-8 but
// for a few malformed character references, and a cell that is not UTF-8 would be taken for GBK.
std::string ValidUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  for (size_t i = 0; i < text.size();) {
    const size_t length = bytes[i] < 0x80 ? 1 : port::Utf8SequenceLength(bytes + i, text.size() - i);
    if (length == 0) {
      out += "\xEF\xBF\xBD";
      ++i;
    } else {
      out += text.substr(i, length);
      i += length;
    }
  }
  return out;
}

// The refusal of an HTML document that holds no table to read, and `why`.
Status NoTable(const std::string& why) { return Status::Failed("no table read from the HTML: " + why); }

// Places the cells of the table's rows into slots and writes the table text row by row.
class TableBuilder {
 public:
  // `max_text`: the most bytes of table text to write.
  TableBuilder(int64_t max_text, bool raw_white_space) : max_text_(max_text), raw_white_space_(raw_white_space) {}

  void StartRowGroup() { spans_.clear(); }  // a rowspan ends with its row group

  Status AddRow(const GumboNode* tr) {
    if (rows_ == kMaxRows) return NoTable("more than " + std::to_string(kMaxRows) + " rows");
    // The rowspans of earlier rows that reach this one, left to right.
    std::erase_if(spans_, [&](const Span& s) { return s.end_row <= rows_; });
    std::sort(spans_.begin(), spans_.end(), [](const Span& a, const Span& b) { return a.first < b.first; });
    span_work_ += static_cast<int64_t>(spans_.size());
    if (span_work_ > kMaxSpanWork) return NoTable("the cells span more rows and columns than a table holds");
    if (rows_ > 0) text_ += '\n';
    last_row_cells_ = 0;
    int64_t col = 0;
    size_t k = 0;
    const GumboVector& children = tr->v.element.children;
    for (unsigned i = 0; i < children.length; ++i) {
      const GumboNode* cell = ChildAt(children, i);
      if (!IsElement(cell, GUMBO_TAG_TD) && !IsElement(cell, GUMBO_TAG_TH)) continue;
      if (IsHidden(cell)) continue;
      // The first slot from `col` on that no rowspan from above covers.
      while (k < spans_.size()) {
        if (spans_[k].end_col <= col) {
          ++k;
        } else if (spans_[k].first <= col) {
          col = spans_[k].end_col;
        } else {
          break;
        }
      }
      const int64_t colspan = std::max<int64_t>(SpanOf(cell, "colspan", 1), 1);
      const int64_t rowspan = SpanOf(cell, "rowspan", 1);
      if (col + colspan > kMaxCols) return NoTable("more than " + std::to_string(kMaxCols) + " columns");
      if (rowspan != 1) {
        // 0 reaches to the end of the row group.
        const int64_t end_row = rowspan == 0 ? int64_t{kMaxRows} : int64_t{rows_} + rowspan;
        spans_.push_back({col, col + colspan, end_row});
      }
      std::string cell_text = CellText(cell, raw_white_space_);
      if (!port::IsValidUtf8(cell_text)) cell_text = ValidUtf8(cell_text);
      if (!cell_text.empty()) {
        if (cell_text.size() > CellRef::kMaxSize) {
          return NoTable("a cell of more than " + std::to_string(CellRef::kMaxSize) + " bytes");
        }
        text_.append(static_cast<size_t>(col - last_row_cells_ + (last_row_cells_ == 0 ? 0 : 1)), '\t');
        AppendTableTextCell(cell_text, &text_);
        last_row_cells_ = col + 1;
      }
      col += colspan;
      width_ = std::max(width_, col);
    }
    // Columns that rowspans from above make this row reach.
    for (const Span& s : spans_) width_ = std::max(width_, s.end_col);
    stored_cells_ += std::max<int64_t>(last_row_cells_, 1);
    if (stored_cells_ > kMaxCells) return NoTable("more than " + std::to_string(kMaxCells) + " cells");
    if (static_cast<int64_t>(text_.size()) > max_text_) {
      return NoTable(max_text_ == kMaxTextBytes ? "more than " + std::to_string(kMaxTextBytes) + " bytes of text"
                                                : "its spanned cells make a table far larger than the HTML");
    }
    ++rows_;
    return Status();
  }

  Status Finish(std::string* text) {
    if (rows_ == 0 || width_ == 0) return NoTable("the table has no cells");
    // The last row carries the table's width, so that columns no text reaches are kept; an
    // empty last line would be no line at all, so it ends in a quoted empty cell.
    if (last_row_cells_ < width_ || last_row_cells_ == 0) {
      text_.append(static_cast<size_t>(width_ - std::max<int64_t>(last_row_cells_, 1)), '\t');
      text_ += "\"\"";
    }
    *text = std::move(text_);
    return Status();
  }

 private:
  struct Span {
    int64_t first;
    int64_t end_col;
    int64_t end_row;  // the first row it no longer covers
  };

  const int64_t max_text_;
  const bool raw_white_space_;
  std::string text_;
  std::vector<Span> spans_;
  int32_t rows_ = 0;
  int64_t width_ = 0;
  int64_t last_row_cells_ = 0;  // the cells written in the last row: up to its last text
  int64_t stored_cells_ = 0;
  int64_t span_work_ = 0;
};

bool IsAsciiAlnum(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }

// Elements that never nest in themselves without a table or list between, or that have no end
// tag: they add no depth of their own.
bool AddsNoDepth(std::string_view name) {
  static constexpr std::string_view kNames[] = {
      "area", "base", "br", "col", "embed", "hr", "img", "input", "link", "meta", "param", "source", "track",
      "wbr", "keygen", "td", "th", "tr", "p", "li", "option", "optgroup", "dt", "dd", "thead", "tbody", "tfoot",
      "colgroup", "caption", "rb", "rt", "rtc", "rp", "html", "head", "body", "!doctype"};
  return std::find(std::begin(kNames), std::end(kNames), name) != std::end(kNames);
}

// Formatting elements: an end tag of one that other elements are open inside moves them instead
// of closing them (the adoption agency), so the nesting does not shrink.
bool IsFormatting(std::string_view name) {
  static constexpr std::string_view kNames[] = {"a", "b", "big", "code", "em", "font", "i", "nobr",
                                                "s", "small", "strike", "strong", "tt", "u"};
  return std::find(std::begin(kNames), std::end(kNames), name) != std::end(kNames);
}

// How deep the elements of `html` nest, at most, as its tags say: start tags open an element,
// an end tag closes the innermost open one of its name and those inside it (a formatting
// element only when nothing is open inside it), and one without an open element of its name is
// ignored, as the parser does. Counting stops past `limit`.
// libgumbo recurses over the tree and slows down with depth, so deep markup must not reach it.
int64_t NestingDepth(std::string_view html, int64_t limit) {
  std::vector<std::string> open;
  std::vector<std::pair<std::string, int64_t>> counts;  // open elements by name: few names
  auto count_of = [&](const std::string& name) -> int64_t& {
    for (auto& [n, c] : counts) {
      if (n == name) return c;
    }
    counts.emplace_back(name, 0);
    return counts.back().second;
  };
  size_t i = 0;
  while ((i = html.find('<', i)) != std::string_view::npos) {
    if (html.substr(i, 4) == "<!--") {
      const size_t end = html.find("-->", i + 4);
      if (end == std::string_view::npos) break;
      i = end + 3;
      continue;
    }
    ++i;
    const bool closing = i < html.size() && html[i] == '/';
    if (closing) ++i;
    if (i >= html.size() || !(IsAsciiAlnum(html[i]) && !(html[i] >= '0' && html[i] <= '9'))) continue;
    std::string name;
    while (i < html.size() && (IsAsciiAlnum(html[i]) || html[i] == '-' || html[i] == ':')) {
      name += static_cast<char>(html[i] >= 'A' && html[i] <= 'Z' ? html[i] - 'A' + 'a' : html[i]);
      ++i;
    }
    if (AddsNoDepth(name)) continue;
    int64_t& count = count_of(name);
    if (!closing) {
      open.push_back(name);
      ++count;
      if (static_cast<int64_t>(open.size()) > limit) return static_cast<int64_t>(open.size());
    } else if (count > 0 && !(IsFormatting(name) && open.back() != name)) {
      while (true) {
        const std::string top = std::move(open.back());
        open.pop_back();
        --count_of(top);
        if (top == name) break;
      }
    }
  }
  return static_cast<int64_t>(open.size());
}

struct GumboOutputDeleter {
  void operator()(GumboOutput* output) const { gumbo_destroy_output(&kGumboDefaultOptions, output); }
};

}  // namespace

Status HtmlTableText(std::string_view html, std::string* text) {
  if (html.empty()) return NoTable("it is empty");
  if (html.find('\0') != std::string_view::npos) return NoTable("it holds a NUL byte");
  if (html.size() > static_cast<size_t>(kMaxTextBytes)) {
    return NoTable("more than " + std::to_string(kMaxTextBytes) + " bytes");
  }
  std::string converted;
  if (!port::IsValidUtf8(html)) {
    converted = ToUtf8(html);
    html = converted;
  }
  if (html.starts_with("\xEF\xBB\xBF")) html.remove_prefix(3);
  if (NestingDepth(html, kMaxHtmlDepth) > kMaxHtmlDepth) {
    return NoTable("elements nest more than " + std::to_string(kMaxHtmlDepth) + " deep");
  }

  GumboOptions options = kGumboDefaultOptions;
  options.max_errors = 0;  // the errors are not looked at; keeping them costs memory
  const std::unique_ptr<GumboOutput, GumboOutputDeleter> output(gumbo_parse_with_options(&options, html.data(), html.size()));
  if (output == nullptr) return NoTable("it could not be parsed");
  const GumboNode* table = FirstTable(output->document);
  if (table == nullptr) return NoTable("it holds no table");
  // The text of a table is smaller than its HTML, but for the empty cells that spans add; spans
  // of 1000 columns over 1000 rows would otherwise turn a few kB into a grid's worth of TABs.
  const int64_t max_text = std::min<int64_t>(
      kMaxTextBytes, std::max<int64_t>(kMaxTextPerHtmlByte * static_cast<int64_t>(html.size()), kMinTextLimit));
  TableBuilder builder(max_text, WritesRawWhiteSpace(output->document));
  const GumboVector& parts = table->v.element.children;
  for (unsigned i = 0; i < parts.length; ++i) {
    const GumboNode* part = ChildAt(parts, i);
    if (part->type != GUMBO_NODE_ELEMENT || IsHidden(part)) continue;
    const GumboTag tag = part->v.element.tag;
    if (tag == GUMBO_TAG_TR) {
      if (Status added = builder.AddRow(part); !added.ok()) return added;
      continue;
    }
    if (tag != GUMBO_TAG_THEAD && tag != GUMBO_TAG_TBODY && tag != GUMBO_TAG_TFOOT) continue;
    builder.StartRowGroup();
    const GumboVector& rows = part->v.element.children;
    for (unsigned r = 0; r < rows.length; ++r) {
      const GumboNode* row = ChildAt(rows, r);
      if (!IsElement(row, GUMBO_TAG_TR) || IsHidden(row)) continue;
      if (Status added = builder.AddRow(row); !added.ok()) return added;
    }
  }
  return builder.Finish(text);
}

bool HtmlReadingBuiltIn() { return true; }

}  // namespace parvex

#else  // a build without libgumbo: every import falls back to the text

namespace parvex {

Status HtmlTableText(std::string_view, std::string*) { return Status::Failed("HTML reading is not built in"); }

bool HtmlReadingBuiltIn() { return false; }

}  // namespace parvex

#endif
