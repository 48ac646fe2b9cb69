// The shape of a column-split layout's columns: `groups` column groups side by side, each of the
// source's `source_columns` columns, and a separator column after every group but the last. The
// one place that says which result column is which group's which source column; the layout, its
// text, HTML, PDF and .xlsx outputs and the print measuring all ask it.
#ifndef PARVEX_GRID_GROUP_GEOMETRY_H_
#define PARVEX_GRID_GROUP_GEOMETRY_H_

#include <algorithm>
#include <cstdint>

namespace parvex {

struct GroupGeometry {
  int32_t source_columns = 1;
  int32_t groups = 1;

  // A group's columns and the separator after it.
  int64_t Stride() const { return int64_t{source_columns} + 1; }
  // groups * (source_columns + 1) - 1, in 64 bits: a layout checks it against its limits.
  int64_t ResultColumns() const { return int64_t{groups} * source_columns + groups - 1; }
  // With one group there are no separators.
  bool IsSeparator(int64_t col) const { return groups > 1 && (col + 1) % Stride() == 0; }
  // The group a result column belongs to (a separator to the group before it).
  int32_t Group(int64_t col) const { return static_cast<int32_t>(col / Stride()); }
  // The source column a group column shows (source_columns for a separator).
  int32_t SourceColumn(int64_t col) const { return static_cast<int32_t>(col % Stride()); }
  // The result column of group `group`'s source column `source_column`.
  int64_t ResultColumn(int32_t group, int32_t source_column) const { return group * Stride() + source_column; }
  // The most groups (at least 1) whose result has at most `max_columns` columns.
  int32_t MostGroupsWithin(int64_t max_columns) const {
    return static_cast<int32_t>(std::clamp<int64_t>((max_columns + 1) / Stride(), 1, INT32_MAX));
  }
  friend bool operator==(const GroupGeometry&, const GroupGeometry&) = default;
};

}  // namespace parvex

#endif  // PARVEX_GRID_GROUP_GEOMETRY_H_
