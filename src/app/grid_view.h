// The spreadsheet-like view of one Grid: sizes from the grid, block selection, in-place editing,
// Enter to the next row, Ctrl+C / Ctrl+V through the grid's own copy and paste.
#ifndef PARVEX_APP_GRID_VIEW_H_
#define PARVEX_APP_GRID_VIEW_H_

#include <QTableView>

#include "grid/clipboard.h"
#include "grid/grid.h"
#include "grid_table_model.h"

namespace parvex {

inline constexpr QRgb kGridLineColour = qRgb(192, 192, 192);
inline constexpr QRgb kSelectionColour = qRgb(49, 106, 197);

class GridView : public QTableView {
  Q_OBJECT

 public:
  // `grid` and `clipboard` must outlive the view.
  GridView(Grid* grid, Clipboard* clipboard, QWidget* parent = nullptr);

  GridTableModel* grid_model() const { return model_; }

  // Copies the selected block to the clipboard through the grid; true when something was copied.
  bool CopySelection();
  // Pastes the clipboard's table at the current cell (the top-left one without a current cell).
  void PasteAtCurrentCell();

  // A light hint painted over the cells, centred, until it is cleared (an empty text).
  void SetPlaceholder(const QString& text);
  const QString& placeholder() const { return placeholder_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;

 private:
  void ApplyGridSizes();
  void MoveToNextRow();

  Grid* grid_;
  Clipboard* clipboard_;
  GridTableModel* model_;
  QString placeholder_;
};

}  // namespace parvex

#endif  // PARVEX_APP_GRID_VIEW_H_
