#include "grid_view.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QPainter>
#include <algorithm>

#include "html/clipboard_flavours.h"

namespace parvex {

void GridView::SetPlaceholder(const QString& text) {
  placeholder_ = text;
  viewport()->update();
}

void GridView::paintEvent(QPaintEvent* event) {
  QTableView::paintEvent(event);
  if (placeholder_.isEmpty()) return;
  QPainter painter(viewport());
  painter.setPen(palette().color(QPalette::PlaceholderText));
  painter.drawText(viewport()->rect().adjusted(12, 12, -12, -12), Qt::AlignCenter | Qt::TextWordWrap, placeholder_);
}

GridView::GridView(Grid* grid, Clipboard* clipboard, QWidget* parent)
    : QTableView(parent), grid_(grid), clipboard_(clipboard), model_(new GridTableModel(grid, this)) {
  setModel(model_);
  // The grids have no fixed title rows or columns, so there are no headers to show.
  horizontalHeader()->hide();
  verticalHeader()->hide();
  horizontalHeader()->setMinimumSectionSize(0);
  verticalHeader()->setMinimumSectionSize(0);
  // One height for every row: per-row sizing would walk a million rows on every reload.
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  setSelectionMode(QAbstractItemView::ContiguousSelection);
  setSelectionBehavior(QAbstractItemView::SelectItems);
  setGridStyle(Qt::SolidLine);
  setShowGrid(true);
  setWordWrap(false);
  // Tab leaves the grid for the next control instead of walking its cells.
  setTabKeyNavigation(false);
  setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                  QAbstractItemView::AnyKeyPressed);

  QPalette colours = palette();
  for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
    colours.setColor(group, QPalette::Base, Qt::white);
    colours.setColor(group, QPalette::Text, Qt::black);
    colours.setColor(group, QPalette::Highlight, QColor(kSelectionColour));
    colours.setColor(group, QPalette::HighlightedText, Qt::white);
  }
  setPalette(colours);
  // Styles derive the grid-line colour from the palette each in their own way; a style sheet
  // that names only the grid lines fixes it and leaves the rest to the style.
  setStyleSheet(QStringLiteral("QTableView { gridline-color: rgb(192, 192, 192); }"));

  connect(model_, &QAbstractItemModel::modelReset, this, &GridView::ApplyGridSizes);
  ApplyGridSizes();
}

void GridView::ApplyGridSizes() {
  verticalHeader()->setDefaultSectionSize(std::max(grid_->RowHeight(), 0));
  const int32_t cols = grid_->ColCount();
  if (cols == 0) return;
  // Most columns share one width (the inserted or the applied one): make it the default and
  // resize only the others, so that a wide result needs few header calls.
  const int32_t common = grid_->GetColumnWidth(cols - 1).value_or(grid_->ColWidth());
  horizontalHeader()->setDefaultSectionSize(common);
  for (int32_t c = 0; c < cols; ++c) {
    const int32_t width = grid_->GetColumnWidth(c).value_or(common);
    if (width != common || horizontalHeader()->sectionSize(c) != width) {
      horizontalHeader()->resizeSection(c, width);
    }
  }
}

bool GridView::CopySelection() {
  const QItemSelection selection = selectionModel()->selection();
  int first_row = -1, first_col = -1, last_row = -1, last_col = -1;
  if (!selection.isEmpty()) {
    // Block selection gives one range; the bounding block covers any other shape.
    first_row = selection.first().top();
    first_col = selection.first().left();
    last_row = selection.first().bottom();
    last_col = selection.first().right();
    for (const QItemSelectionRange& range : selection) {
      first_row = std::min(first_row, range.top());
      first_col = std::min(first_col, range.left());
      last_row = std::max(last_row, range.bottom());
      last_col = std::max(last_col, range.right());
    }
  } else if (currentIndex().isValid()) {
    first_row = last_row = currentIndex().row();
    first_col = last_col = currentIndex().column();
  } else {
    return false;
  }
  grid_->SelectRange(first_row, first_col, last_row, last_col);
  if (!grid_->Selection()) return false;
  const SpreadsheetFlavours flavours;
  return grid_->CopySelectionToClipboard(*clipboard_, &flavours);
}

void GridView::PasteAtCurrentCell() {
  const QModelIndex current = currentIndex();
  if (current.isValid()) {
    grid_->SetCursorCell(current.row(), current.column());
  } else {
    grid_->SetCursorCell(0, 0);
  }
  // A paste never changes the grid's shape: the cells change in place.
  if (grid_->PasteFromClipboard(*clipboard_)) model_->CellsChanged();
}

void GridView::MoveToNextRow() {
  const QModelIndex current = currentIndex();
  if (!current.isValid() || current.row() + 1 >= model_->rowCount()) return;
  setCurrentIndex(model_->index(current.row() + 1, current.column()));
}

void GridView::keyPressEvent(QKeyEvent* event) {
  if (event->matches(QKeySequence::Copy)) {
    CopySelection();
    event->accept();
    return;
  }
  if (event->matches(QKeySequence::Paste)) {
    if (grid_->IsEdit()) PasteAtCurrentCell();
    event->accept();
    return;
  }
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    MoveToNextRow();
    event->accept();
    return;
  }
  QTableView::keyPressEvent(event);
}

void GridView::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
  QTableView::closeEditor(editor, hint);
  // The item delegate closes an editor with SubmitModelCache when Enter confirmed it.
  if (hint == QAbstractItemDelegate::SubmitModelCache) MoveToNextRow();
}

}  // namespace parvex
