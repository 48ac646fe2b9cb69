#include "grid_table_model.h"

#include <string_view>

namespace parvex {

GridTableModel::GridTableModel(Grid* grid, QObject* parent) : QAbstractTableModel(parent), grid_(grid) {}

int GridTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : grid_->RowCount();
}

int GridTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : grid_->ColCount();
}

QVariant GridTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole)) return {};
  // CellView gives an empty view outside the grid, so a stale index reads as an empty cell.
  const std::string_view text = grid_->CellView(index.row(), index.column());
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

bool GridTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!index.isValid() || role != Qt::EditRole || !grid_->IsEdit()) return false;
  const QByteArray bytes = value.toString().toUtf8();
  if (!grid_->SetCellText(index.row(), index.column(),
                          std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())))) {
    return false;
  }
  emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
  return true;
}

Qt::ItemFlags GridTableModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemNeverHasChildren;
  if (grid_->CanSelection()) flags |= Qt::ItemIsSelectable;
  if (grid_->IsEdit()) flags |= Qt::ItemIsEditable;
  return flags;
}

void GridTableModel::Reload() {
  beginResetModel();
  endResetModel();
}

void GridTableModel::CellsChanged() {
  if (grid_->RowCount() == 0 || grid_->ColCount() == 0) return;
  emit dataChanged(index(0, 0), index(grid_->RowCount() - 1, grid_->ColCount() - 1),
                   {Qt::DisplayRole, Qt::EditRole});
}

}  // namespace parvex
