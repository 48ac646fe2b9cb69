#include "grid/parsed_table.h"

namespace parvex {

void AppendLineCells(std::string_view line, uint32_t offset, uint32_t count, std::vector<CellRef>* cells) {
  size_t begin = 0;
  for (uint32_t k = 0; k < count; ++k) {
    const size_t tab = begin > line.size() ? std::string_view::npos : line.find('\t', begin);
    const size_t end = k + 1 == count || tab == std::string_view::npos ? line.size() : tab;
    cells->push_back(end <= begin ? CellRef{} : CellRef{offset + static_cast<uint32_t>(begin), static_cast<uint32_t>(end - begin)});
    begin = end + 1;
  }
}

std::span<const CellRef> ParsedTable::LineCells(size_t r, std::vector<CellRef>* scratch) const {
  const TableLine& line = lines[r];
  if (!line.is_plain()) return {cells.data() + line.first, line.count};
  scratch->clear();
  AppendLineCells(std::string_view(bytes.data() + line.first, line.bytes), line.first, line.count, scratch);
  return *scratch;
}

}  // namespace parvex
