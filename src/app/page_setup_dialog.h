// "页面设置": paper, orientation, margins, type size, row height, the repeated title row, the
// number of column groups (the layout's, or as many as fit the paper), balanced short pages and a
// page header of the printed outputs, with the rows per page and the type size they give.
#ifndef PARVEX_APP_PAGE_SETUP_DIALOG_H_
#define PARVEX_APP_PAGE_SETUP_DIALOG_H_

#include <QDialog>
#include <functional>
#include <vector>

#include "print/page_setup.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;

namespace parvex {

class PageSetupDialog : public QDialog {
  Q_OBJECT

 public:
  // `columns` are the printed columns of the current layout (empty when there is none) and
  // `has_title` whether it has a title row: they let the dialog show the rows per page and the
  // type size the pages print at, warning when it is too small to read.
  PageSetupDialog(const PageSetup& setup, std::vector<PrintColumn> columns, bool has_title, QWidget* parent = nullptr);

  // The setup as the controls hold it.
  PageSetup setup() const;

  void accept() override;

 private:
  void UpdateRowsPerPage();
  // The columns the rows per page are worked out for: the layout's, or one group's when the
  // groups are fitted to the paper.
  std::vector<PrintColumn> PrintedColumns() const;

  std::vector<PrintColumn> columns_;
  bool has_title_;
  QComboBox* paper_ = nullptr;
  QComboBox* orientation_ = nullptr;
  QDoubleSpinBox* top_ = nullptr;
  QDoubleSpinBox* right_ = nullptr;
  QDoubleSpinBox* bottom_ = nullptr;
  QDoubleSpinBox* left_ = nullptr;
  QDoubleSpinBox* font_size_ = nullptr;
  QDoubleSpinBox* row_height_ = nullptr;
  QCheckBox* repeat_title_ = nullptr;
  QComboBox* groups_ = nullptr;
  QCheckBox* balance_ = nullptr;
  QLineEdit* header_ = nullptr;
  QLabel* rows_per_page_ = nullptr;
  QLabel* type_size_ = nullptr;
};

}  // namespace parvex

#endif  // PARVEX_APP_PAGE_SETUP_DIALOG_H_
