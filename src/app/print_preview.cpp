#include "print_preview.h"

#include <QAction>
#include <QComboBox>
#include <QGuiApplication>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPageLayout>
#include <QPainter>
#include <QPaintEvent>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>
#include <climits>
#include <cmath>
#include <utility>

namespace parvex {
namespace {

// Images beyond the visible ones are kept while they take no more than this.
constexpr qsizetype kSpareBytes = 48 << 20;
// The zoom steps of 放大 and 缩小, and those the box offers.
constexpr double kZoomStep = 1.25;
// Around the pages, as paper lies on a desk.
const QColor kDeskColour(128, 128, 128);
constexpr int kZoomPercents[] = {10, 25, 50, 75, 100, 125, 150, 200, 300, 400};

QSizeF PaperPoints(const PageRenderer& pages) {
  return PageLayoutFor(pages.page_setup()).fullRectPoints().size();
}

QIcon ThemeIcon(const char* name, QStyle::StandardPixmap fallback, const QStyle* style) {
  QIcon icon = QIcon::fromTheme(QString::fromLatin1(name));
  if (icon.isNull() && fallback != QStyle::SP_CustomBase) icon = style->standardIcon(fallback);
  return icon;
}

}  // namespace

const QImage* PageImageCache::Find(int64_t page) {
  for (auto it = pages_.begin(); it != pages_.end(); ++it) {
    if (it->page != page) continue;
    pages_.splice(pages_.begin(), pages_, it);
    return &pages_.front().image;
  }
  return nullptr;
}

bool PageImageCache::Contains(int64_t page) const {
  return std::any_of(pages_.begin(), pages_.end(), [page](const Entry& entry) { return entry.page == page; });
}

void PageImageCache::Insert(int64_t page, QImage image) {
  for (auto it = pages_.begin(); it != pages_.end(); ++it) {
    if (it->page == page) {
      pages_.erase(it);
      break;
    }
  }
  pages_.push_front({page, std::move(image)});
  while (pages_.size() > capacity_) pages_.pop_back();
}

void PageImageCache::SetCapacity(size_t capacity) {
  capacity_ = std::max<size_t>(capacity, 1);
  while (pages_.size() > capacity_) pages_.pop_back();
}

PreviewPages::PreviewPages(QWidget* parent) : QAbstractScrollArea(parent) {
  setObjectName(QStringLiteral("预览_页面"));
  // Always there, so that fitting the width does not make room for it and fit again.
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  render_timer_.setSingleShot(true);
  render_timer_.setInterval(0);
  connect(&render_timer_, &QTimer::timeout, this, &PreviewPages::RenderNext);
}

void PreviewPages::SetDocument(std::unique_ptr<PageRenderer> pages, int64_t first) {
  pages_ = std::move(pages);
  cache_.Clear();
  cache_dpi_ = 0;
  last_current_ = -1;
  ApplyFit();
  UpdateScrollBars();
  GoToPage(first);
  viewport()->update();
}

int PreviewPages::image_dpi() const {
  const double dpi = zoom_ * logicalDpiY() * devicePixelRatioF();
  return std::clamp(static_cast<int>(std::lround(dpi)), 1, kMaxImageDpi);
}

QSizeF PreviewPages::PageSize() const {
  if (pages_ == nullptr) return {};
  // Whole device pixels to the inch, so that an image below the cap is shown pixel for pixel.
  const int dpi = std::max(1, static_cast<int>(std::lround(zoom_ * logicalDpiY() * devicePixelRatioF())));
  return QSizeF(pages_->PageImageSize(dpi)) / devicePixelRatioF();
}

double PreviewPages::Offset() const { return verticalScrollBar()->value() * scroll_unit_; }

void PreviewPages::SetOffset(double offset) {
  verticalScrollBar()->setValue(static_cast<int>(std::lround(offset / scroll_unit_)));
}

void PreviewPages::UpdateScrollBars() {
  const QSize view = viewport()->size();
  const QSizeF page = PageSize();
  const double height = kPageGap + static_cast<double>(page_count()) * PagePitch();
  // A scroll bar counts in int: a column taller than that scrolls in steps of several pixels.
  constexpr double kMostSteps = INT_MAX / 2;
  scroll_unit_ = std::max(1.0, std::ceil(height / kMostSteps));
  const double steps = std::max(0.0, (height - view.height()) / scroll_unit_);
  verticalScrollBar()->setRange(0, static_cast<int>(std::ceil(steps)));
  verticalScrollBar()->setPageStep(std::max(1, static_cast<int>(view.height() / scroll_unit_)));
  verticalScrollBar()->setSingleStep(std::max(1, static_cast<int>(40 / scroll_unit_)));
  const int width = static_cast<int>(std::ceil(page.width())) + 2 * kPageGap;
  horizontalScrollBar()->setRange(0, std::max(0, width - view.width()));
  horizontalScrollBar()->setPageStep(view.width());
  horizontalScrollBar()->setSingleStep(40);
}

void PreviewPages::ApplyFit() {
  if (pages_ == nullptr || fit_ == Fit::kNone) return;
  const QSizeF paper = PaperPoints(*pages_) * (logicalDpiY() / 72.0);  // at 100 %
  const QSize view = viewport()->size();
  if (paper.isEmpty() || view.isEmpty()) return;
  double zoom = (view.width() - 2 * kPageGap) / paper.width();
  if (fit_ == Fit::kPage) zoom = std::min(zoom, (view.height() - 2 * kPageGap) / paper.height());
  // Rounded down to whole device pixels to the inch: a fitted page never overflows the view.
  const double per_inch = logicalDpiY() * devicePixelRatioF();
  zoom = std::floor(zoom * per_inch) / per_inch;
  zoom = std::clamp(zoom, kMinZoom, kMaxZoom);
  if (zoom == zoom_) return;
  zoom_ = zoom;
  emit zoomChanged(zoom_);
}

void PreviewPages::ZoomTo(double zoom) {
  zoom = std::clamp(zoom, kMinZoom, kMaxZoom);
  // The point at the middle of the view stays there.
  const double middle = viewport()->height() / 2.0;
  const double pitch = PagePitch();
  const double anchor = pitch > 0 ? (Offset() + middle) / pitch : 0;
  const std::optional<int64_t> moved_to = moved_to_;
  zoom_ = zoom;
  UpdateScrollBars();
  if (moved_to.has_value()) {
    GoToPage(*moved_to);
  } else {
    SetOffset(anchor * PagePitch() - middle);
  }
  emit zoomChanged(zoom_);
  viewport()->update();
}

void PreviewPages::SetZoom(double zoom) {
  fit_ = Fit::kNone;
  ZoomTo(zoom);
}

void PreviewPages::SetFit(Fit fit) {
  fit_ = fit;
  const double before = zoom_;
  ApplyFit();
  const double fitted = zoom_;
  zoom_ = before;
  ZoomTo(fitted);
}

std::vector<int64_t> PreviewPages::VisiblePages() const {
  std::vector<int64_t> visible;
  const int64_t count = page_count();
  const double pitch = PagePitch();
  const double height = viewport()->height();
  if (count == 0 || pitch <= 0 || height <= 0) return visible;
  const double top = Offset();
  const double page_height = PageSize().height();
  const auto first = std::max<int64_t>(0, static_cast<int64_t>(std::ceil((top - kPageGap - page_height) / pitch)));
  const auto last = std::min<int64_t>(count - 1, static_cast<int64_t>(std::floor((top + height - kPageGap) / pitch)));
  for (int64_t page = first; page <= last; ++page) visible.push_back(page);
  return visible;
}

int64_t PreviewPages::current_page() const {
  if (moved_to_.has_value()) return *moved_to_;
  const int64_t count = page_count();
  const double pitch = PagePitch();
  if (count == 0 || pitch <= 0) return 0;
  // A page moved to has its top edge a gap below the view's: this point lies inside it.
  const double probe = Offset() + std::min(viewport()->height() / 2.0, PageSize().height() / 2 + kPageGap);
  return std::clamp<int64_t>(static_cast<int64_t>(std::floor(probe / pitch)), 0, count - 1);
}

void PreviewPages::GoToPage(int64_t page) {
  const int64_t count = page_count();
  if (count == 0) return;
  page = std::clamp<int64_t>(page, 0, count - 1);
  SetOffset(static_cast<double>(page) * PagePitch());
  // Set after scrolling, which forgets the page moved to.
  moved_to_ = page;
  NoteCurrentPage();
  viewport()->update();
}

void PreviewPages::NoteCurrentPage() {
  const int64_t page = current_page();
  if (page == last_current_) return;
  last_current_ = page;
  emit currentPageChanged(page);
}

void PreviewPages::scrollContentsBy(int, int) {
  moved_to_.reset();
  NoteCurrentPage();
  viewport()->update();
}

void PreviewPages::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  const int64_t page = current_page();
  const bool moved = moved_to_.has_value();
  ApplyFit();
  UpdateScrollBars();
  if (moved) GoToPage(page);
  NoteCurrentPage();
}

void PreviewPages::wheelEvent(QWheelEvent* event) {
  if (event->modifiers() & Qt::ControlModifier) {
    const int delta = event->angleDelta().y();
    if (delta != 0) SetZoom(delta > 0 ? zoom_ * kZoomStep : zoom_ / kZoomStep);
    event->accept();
    return;
  }
  QAbstractScrollArea::wheelEvent(event);
}

void PreviewPages::paintEvent(QPaintEvent*) {
  QPainter painter(viewport());
  painter.fillRect(viewport()->rect(), kDeskColour);
  if (pages_ == nullptr) return;
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  const QSizeF page = PageSize();
  const double left =
      std::max<double>(kPageGap, (viewport()->width() - page.width()) / 2) - horizontalScrollBar()->value();
  const double top = Offset();
  const int dpi = image_dpi();
  if (dpi != cache_dpi_) {
    cache_.Clear();
    cache_dpi_ = dpi;
  }
  bool missing = false;
  for (const int64_t p : VisiblePages()) {
    const QRectF rect(left, kPageGap + static_cast<double>(p) * PagePitch() - top, page.width(), page.height());
    painter.fillRect(rect.translated(3, 3), QColor(64, 64, 64));
    if (const QImage* image = cache_.Find(p)) {
      painter.drawImage(rect, *image);
    } else {
      painter.fillRect(rect, Qt::white);
      missing = true;
    }
  }
  if (missing && !render_timer_.isActive()) render_timer_.start();
}

void PreviewPages::RenderNext() {
  if (pages_ == nullptr) return;
  const std::vector<int64_t> visible = VisiblePages();
  const int dpi = image_dpi();
  if (dpi != cache_dpi_) {
    cache_.Clear();
    cache_dpi_ = dpi;
  }
  // The visible pages are always kept; a few more while they are small.
  const QSize pixels = pages_->PageImageSize(dpi);
  const qsizetype image_bytes = std::max<qsizetype>(1, qsizetype{pixels.width()} * pixels.height() * 4);
  const size_t spares = std::min<size_t>(kSparePages, static_cast<size_t>(kSpareBytes / image_bytes));
  cache_.SetCapacity(visible.size() + spares);
  // The current page first: it is the one looked at.
  std::vector<int64_t> order = visible;
  const int64_t current = current_page();
  std::stable_partition(order.begin(), order.end(), [current](int64_t p) { return p == current; });
  for (const int64_t p : order) {
    if (cache_.Find(p) != nullptr) continue;
    cache_.Insert(p, pages_->PageImage(p, dpi));
    viewport()->update();
    emit pageRendered(p);
    // One page per turn of the event loop: the window answers between pages.
    render_timer_.start();
    return;
  }
}

QImage PreviewPages::PageImage(int64_t page) {
  if (pages_ == nullptr || page < 0 || page >= page_count()) return {};
  const int dpi = image_dpi();
  if (dpi != cache_dpi_) {
    cache_.Clear();
    cache_dpi_ = dpi;
  }
  if (const QImage* image = cache_.Find(page)) return *image;
  QImage image = pages_->PageImage(page, dpi);
  cache_.Insert(page, image);
  return image;
}

PrintPreviewDialog::PrintPreviewDialog(QWidget* parent) : QDialog(parent), view_(new PreviewPages(this)) {
  setObjectName(QStringLiteral("打印预览"));
  setWindowTitle(QStringLiteral("打印预览"));
  auto* toolbar = new QToolBar(this);
  toolbar->setObjectName(QStringLiteral("工具栏_打印预览"));
  const QStyle* style = this->style();
  auto add = [&](const char* name, const QString& text, const char* icon, QStyle::StandardPixmap fallback,
                 const QKeySequence& keys = {}) {
    QAction* action = toolbar->addAction(ThemeIcon(icon, fallback, style), text);
    action->setObjectName(QString::fromUtf8(name));
    action->setToolTip(text);
    if (!keys.isEmpty()) action->setShortcut(keys);
    return action;
  };

  QAction* fit_width = add("动作_适合宽度", QStringLiteral("适合宽度"), "zoom-fit-width", QStyle::SP_CustomBase);
  QAction* fit_page = add("动作_适合页面", QStringLiteral("适合页面"), "zoom-fit-best", QStyle::SP_CustomBase);
  fit_width->setCheckable(true);
  fit_page->setCheckable(true);
  zoom_box_ = new QComboBox(toolbar);
  zoom_box_->setObjectName(QStringLiteral("组合框_缩放"));
  zoom_box_->setEditable(true);
  zoom_box_->setInsertPolicy(QComboBox::NoInsert);
  zoom_box_->setMinimumContentsLength(5);
  for (const int percent : kZoomPercents) zoom_box_->addItem(QStringLiteral("%1%").arg(percent));
  toolbar->addWidget(zoom_box_);
  QAction* zoom_out = add("动作_缩小", QStringLiteral("缩小"), "zoom-out", QStyle::SP_CustomBase, QKeySequence::ZoomOut);
  QAction* zoom_in = add("动作_放大", QStringLiteral("放大"), "zoom-in", QStyle::SP_CustomBase, QKeySequence::ZoomIn);
  toolbar->addSeparator();
  first_ = add("动作_首页", QStringLiteral("首页"), "go-first", QStyle::SP_MediaSkipBackward);
  previous_ = add("动作_上一页", QStringLiteral("上一页"), "go-previous", QStyle::SP_ArrowBack);
  page_box_ = new QLineEdit(toolbar);
  page_box_->setObjectName(QStringLiteral("编辑框_页码"));
  page_box_->setAlignment(Qt::AlignRight);
  page_box_->setMaximumWidth(page_box_->fontMetrics().horizontalAdvance(QStringLiteral("0000000")) + 12);
  page_box_->setValidator(new QIntValidator(1, 1, page_box_));
  toolbar->addWidget(page_box_);
  page_total_ = new QLabel(toolbar);
  page_total_->setObjectName(QStringLiteral("标签_总页数"));
  toolbar->addWidget(page_total_);
  next_ = add("动作_下一页", QStringLiteral("下一页"), "go-next", QStyle::SP_ArrowForward);
  last_ = add("动作_末页", QStringLiteral("末页"), "go-last", QStyle::SP_MediaSkipForward);
  toolbar->addSeparator();
  QAction* setup = add("动作_页面设置", QStringLiteral("页面设置…"), "document-page-setup", QStyle::SP_CustomBase);
  QAction* print = add("动作_打印", QStringLiteral("打印…"), "document-print", QStyle::SP_CustomBase,
                       QKeySequence::Print);
  for (QAction* action : {setup, print}) {
    if (auto* button = qobject_cast<QToolButton*>(toolbar->widgetForAction(action))) {
      button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    }
  }

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(toolbar);
  layout->addWidget(view_, 1);

  auto show_fit = [fit_width, fit_page](PreviewPages::Fit fit) {
    fit_width->setChecked(fit == PreviewPages::Fit::kWidth);
    fit_page->setChecked(fit == PreviewPages::Fit::kPage);
  };
  connect(fit_width, &QAction::triggered, this, [this, show_fit] {
    view_->SetFit(PreviewPages::Fit::kWidth);
    show_fit(view_->fit());
  });
  connect(fit_page, &QAction::triggered, this, [this, show_fit] {
    view_->SetFit(PreviewPages::Fit::kPage);
    show_fit(view_->fit());
  });
  connect(zoom_in, &QAction::triggered, this, [this, show_fit] {
    view_->SetZoom(view_->zoom() * kZoomStep);
    show_fit(view_->fit());
  });
  connect(zoom_out, &QAction::triggered, this, [this, show_fit] {
    view_->SetZoom(view_->zoom() / kZoomStep);
    show_fit(view_->fit());
  });
  connect(zoom_box_->lineEdit(), &QLineEdit::editingFinished, this, [this, show_fit] {
    QString text = zoom_box_->lineEdit()->text();
    text.remove(QLatin1Char('%'));
    bool ok = false;
    const double percent = text.trimmed().toDouble(&ok);
    if (ok && percent > 0) {
      view_->SetZoom(percent / 100);
      show_fit(view_->fit());
    }
    UpdateZoomBox();
  });
  connect(zoom_box_, &QComboBox::activated, this, [this, show_fit](int index) {
    view_->SetZoom(kZoomPercents[index] / 100.0);
    show_fit(view_->fit());
    UpdateZoomBox();
  });
  connect(first_, &QAction::triggered, this, [this] { view_->GoToPage(0); });
  connect(previous_, &QAction::triggered, this, [this] { view_->GoToPage(view_->current_page() - 1); });
  connect(next_, &QAction::triggered, this, [this] { view_->GoToPage(view_->current_page() + 1); });
  connect(last_, &QAction::triggered, this, [this] { view_->GoToPage(view_->page_count() - 1); });
  connect(page_box_, &QLineEdit::editingFinished, this, [this] {
    bool ok = false;
    const qlonglong page = page_box_->text().toLongLong(&ok);
    if (ok) view_->GoToPage(page - 1);
    UpdatePageBox();
  });
  connect(setup, &QAction::triggered, this, &PrintPreviewDialog::pageSetupRequested);
  connect(print, &QAction::triggered, this, &PrintPreviewDialog::printRequested);
  connect(view_, &PreviewPages::currentPageChanged, this, &PrintPreviewDialog::UpdatePageBox);
  connect(view_, &PreviewPages::zoomChanged, this, &PrintPreviewDialog::UpdateZoomBox);
  show_fit(view_->fit());

  // Most of the screen's height, a page's shape.
  QSize size(820, 960);
  if (const QScreen* screen = parent != nullptr ? parent->screen() : QGuiApplication::primaryScreen()) {
    const QSize room = screen->availableGeometry().size() * 9 / 10;
    size = size.boundedTo(room);
  }
  resize(size);
  UpdatePageBox();
  UpdateZoomBox();
}

void PrintPreviewDialog::SetDocument(std::unique_ptr<PageRenderer> pages) {
  const int64_t page = view_->current_page();
  view_->SetDocument(std::move(pages), page);
  UpdatePageBox();
}

void PrintPreviewDialog::UpdatePageBox() {
  const int64_t count = view_->page_count();
  const int64_t page = view_->current_page();
  auto* validator = static_cast<QIntValidator*>(const_cast<QValidator*>(page_box_->validator()));
  validator->setTop(static_cast<int>(std::min<int64_t>(std::max<int64_t>(count, 1), INT_MAX)));
  page_box_->setText(count == 0 ? QString() : QString::number(page + 1));
  page_total_->setText(QStringLiteral(" / %1 ").arg(count));
  first_->setEnabled(page > 0);
  previous_->setEnabled(page > 0);
  next_->setEnabled(page + 1 < count);
  last_->setEnabled(page + 1 < count);
}

void PrintPreviewDialog::UpdateZoomBox() {
  zoom_box_->lineEdit()->setText(QStringLiteral("%1%").arg(std::lround(view_->zoom() * 100)));
}

}  // namespace parvex
