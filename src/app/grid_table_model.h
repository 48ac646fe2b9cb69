// The table model that shows a Grid in a Qt view. It owns no cells: every call reads the grid.
#ifndef PARVEX_APP_GRID_TABLE_MODEL_H_
#define PARVEX_APP_GRID_TABLE_MODEL_H_

#include <QAbstractTableModel>

#include "grid/grid.h"

namespace parvex {

class GridTableModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  // `grid` must outlive the model (MainWindow owns both).
  explicit GridTableModel(Grid* grid, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;     // 0 under a valid parent
  int columnCount(const QModelIndex& parent = {}) const override;  // 0 under a valid parent
  // The cell's bytes decoded as UTF-8 for the display and edit roles; nothing else.
  QVariant data(const QModelIndex& index, int role) const override;
  // Writes the value's UTF-8 bytes into the cell; false when the grid is read-only or refuses.
  bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  const Grid& grid() const { return *grid_; }
  Grid& grid() { return *grid_; }

  // After a command changed the grid's shape or content: one reset, not a signal per cell.
  void Reload();
  // After the cells changed in place (a paste): one dataChanged over the whole grid.
  void CellsChanged();

 private:
  Grid* grid_;
};

}  // namespace parvex

#endif  // PARVEX_APP_GRID_TABLE_MODEL_H_
