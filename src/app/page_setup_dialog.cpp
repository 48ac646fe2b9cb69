#include "page_setup_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QVBoxLayout>
#include <string>
#include <utility>

namespace parvex {
namespace {

QDoubleSpinBox* MakeSpin(QWidget* parent, const char* name, double value, double low, double high, double step,
                         const QString& suffix) {
  auto* spin = new QDoubleSpinBox(parent);
  spin->setObjectName(QString::fromUtf8(name));
  spin->setRange(low, high);
  spin->setDecimals(1);
  spin->setSingleStep(step);
  spin->setSuffix(suffix);
  spin->setValue(value);
  return spin;
}

}  // namespace

PageSetupDialog::PageSetupDialog(const PageSetup& setup, std::vector<PrintColumn> columns, bool has_title,
                                 QWidget* parent)
    : QDialog(parent), columns_(std::move(columns)), has_title_(has_title) {
  setObjectName(QStringLiteral("页面设置"));
  setWindowTitle(QStringLiteral("页面设置"));
  auto* form = new QFormLayout;

  paper_ = new QComboBox(this);
  paper_->setObjectName(QStringLiteral("组合框_纸张"));
  for (Paper paper : AllPapers()) {
    paper_->addItem(QString::fromUtf8(PaperName(paper).data(), static_cast<qsizetype>(PaperName(paper).size())),
                    static_cast<int>(paper));
  }
  paper_->setCurrentIndex(paper_->findData(static_cast<int>(setup.paper)));
  form->addRow(QStringLiteral("纸张："), paper_);

  orientation_ = new QComboBox(this);
  orientation_->setObjectName(QStringLiteral("组合框_方向"));
  orientation_->addItem(QStringLiteral("纵向"), static_cast<int>(Orientation::kPortrait));
  orientation_->addItem(QStringLiteral("横向"), static_cast<int>(Orientation::kLandscape));
  orientation_->setCurrentIndex(setup.orientation == Orientation::kLandscape ? 1 : 0);
  form->addRow(QStringLiteral("方向："), orientation_);

  const QString mm = QStringLiteral(" mm");
  top_ = MakeSpin(this, "编辑框_上边距", setup.margins.top, 0, 100, 1, mm);
  right_ = MakeSpin(this, "编辑框_右边距", setup.margins.right, 0, 100, 1, mm);
  bottom_ = MakeSpin(this, "编辑框_下边距", setup.margins.bottom, 0, 100, 1, mm);
  left_ = MakeSpin(this, "编辑框_左边距", setup.margins.left, 0, 100, 1, mm);
  form->addRow(QStringLiteral("上边距："), top_);
  form->addRow(QStringLiteral("下边距："), bottom_);
  form->addRow(QStringLiteral("左边距："), left_);
  form->addRow(QStringLiteral("右边距："), right_);

  const QString pt = QStringLiteral(" pt");
  font_size_ = MakeSpin(this, "编辑框_字号", setup.font_size_pt, kMinFontSizePt, kMaxFontSizePt, 0.5, pt);
  form->addRow(QStringLiteral("字号："), font_size_);
  row_height_ = MakeSpin(this, "编辑框_行高", setup.row_height_pt, 0, 409, 0.75, pt);
  row_height_->setSpecialValueText(QStringLiteral("自动"));
  form->addRow(QStringLiteral("行高："), row_height_);

  repeat_title_ = new QCheckBox(QStringLiteral("每页重复标题行"), this);
  repeat_title_->setObjectName(QStringLiteral("选择框_重复标题行"));
  repeat_title_->setChecked(setup.repeat_title);
  form->addRow(QString(), repeat_title_);

  groups_ = new QComboBox(this);
  groups_->setObjectName(QStringLiteral("组合框_分栏"));
  groups_->addItem(QStringLiteral("按“分成_栏”"), false);
  groups_->addItem(QStringLiteral("自动（铺满纸宽）"), true);
  groups_->setCurrentIndex(setup.auto_groups ? 1 : 0);
  form->addRow(QStringLiteral("栏数："), groups_);

  balance_ = new QCheckBox(QStringLiteral("均衡分栏"), this);
  balance_->setObjectName(QStringLiteral("选择框_均衡分栏"));
  balance_->setToolTip(QStringLiteral("未排满的页（最后一页，和因分页列变化而结束的页）各栏行数均匀分配；填充的空行在各栏下方"));
  balance_->setChecked(setup.balance_pages);
  form->addRow(QString(), balance_);

  header_ = new QLineEdit(QString::fromStdString(setup.header), this);
  header_->setObjectName(QStringLiteral("编辑框_页眉"));
  header_->setMaxLength(static_cast<int>(kMaxHeaderBytes / 3));  // any text of this many characters fits
  header_->setPlaceholderText(QStringLiteral("（无）"));
  form->addRow(QStringLiteral("页眉："), header_);

  rows_per_page_ = new QLabel(this);
  rows_per_page_->setObjectName(QStringLiteral("标签_每页行数"));
  form->addRow(QStringLiteral("每页行数："), rows_per_page_);
  type_size_ = new QLabel(this);
  type_size_->setObjectName(QStringLiteral("标签_打印字号"));
  type_size_->setWordWrap(true);
  form->addRow(QStringLiteral("打印字号："), type_size_);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons);

  for (QComboBox* box : {paper_, orientation_, groups_}) {
    connect(box, &QComboBox::currentIndexChanged, this, &PageSetupDialog::UpdateRowsPerPage);
  }
  for (QDoubleSpinBox* spin : {top_, right_, bottom_, left_, font_size_, row_height_}) {
    connect(spin, &QDoubleSpinBox::valueChanged, this, &PageSetupDialog::UpdateRowsPerPage);
  }
  UpdateRowsPerPage();
}

PageSetup PageSetupDialog::setup() const {
  PageSetup setup;
  setup.paper = static_cast<Paper>(paper_->currentData().toInt());
  setup.orientation = static_cast<Orientation>(orientation_->currentData().toInt());
  setup.margins = {top_->value(), right_->value(), bottom_->value(), left_->value()};
  setup.font_size_pt = font_size_->value();
  setup.row_height_pt = row_height_->value();
  setup.repeat_title = repeat_title_->isChecked();
  setup.auto_groups = groups_->currentData().toBool();
  setup.balance_pages = balance_->isChecked();
  setup.header = header_->text().simplified().toStdString();
  return setup;
}

void PageSetupDialog::accept() {
  int32_t rows = 0;
  Status valid = ValidatePageSetup(setup());
  if (valid.ok() && !columns_.empty()) valid = RowsPerPage(setup(), PrintedColumns(), has_title_, &rows);
  if (!valid.ok()) {
    QMessageBox::warning(this, QStringLiteral("页面设置"), QString::fromStdString(valid.message()));
    return;
  }
  QDialog::accept();
}

std::vector<PrintColumn> PageSetupDialog::PrintedColumns() const {
  if (!groups_->currentData().toBool()) return columns_;
  // Fitted groups are as many as fit at full size: the rows are those of one group alone.
  std::vector<PrintColumn> group;
  for (const PrintColumn& column : columns_) {
    if (column.separator) break;
    group.push_back(column);
  }
  return group;
}

void PageSetupDialog::UpdateRowsPerPage() {
  type_size_->clear();
  if (columns_.empty()) {
    rows_per_page_->setText(QStringLiteral("（先进行数据预处理）"));
    return;
  }
  const PageSetup edited = setup();
  int32_t rows = 0;
  if (const Status fit = RowsPerPage(edited, PrintedColumns(), has_title_, &rows); !fit.ok()) {
    rows_per_page_->setText(QString::fromStdString(fit.message()));
    return;
  }
  rows_per_page_->setText(QString::number(rows));
  // The rows are those that fit: the columns' fit to the width sets the scale.
  PageGeometry geometry;
  if (!ComputePageGeometry(edited, PrintedColumns(), std::nullopt, &geometry).ok()) return;
  const double type_size = geometry.TypeSize(edited.font_size_pt);
  QString text = QStringLiteral("%1 pt").arg(type_size);
  if (type_size < kSmallestReadableTypePt) {
    text += QStringLiteral("（小于 %1 pt，打印出来难以阅读：可选横向、减少栏数、栏数选“自动（铺满纸宽）”或更大的纸张）")
                .arg(kSmallestReadableTypePt);
  }
  type_size_->setText(text);
}

}  // namespace parvex
