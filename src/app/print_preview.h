// "打印预览": the pages of a readied print job, one under the other, drawn only when they come
// into view by the page renderer that writes the PDF (page_renderer.h), and kept in a small cache
// of page images, so that a document of any number of pages opens at once and holds a few pages'
// memory. The toolbar zooms (in, out, fit width, fit page, a percentage), moves between pages
// (first, previous, next, last, a page number) and asks for the page setup and for printing;
// the print actions (print_actions.h) answer those two.
#ifndef PARVEX_APP_PRINT_PREVIEW_H_
#define PARVEX_APP_PRINT_PREVIEW_H_

#include <QAbstractScrollArea>
#include <QDialog>
#include <QImage>
#include <QSize>
#include <QTimer>
#include <cstdint>
#include <list>
#include <memory>
#include <optional>
#include <vector>

#include "print/page_renderer.h"

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;

namespace parvex {

// The page images of one document at one resolution, most recently used first. Holds at most
// `capacity` of them; beyond it the least recently used goes.
class PageImageCache {
 public:
  explicit PageImageCache(size_t capacity) : capacity_(capacity) {}
  // The image of `page`, which becomes the most recently used; null when it is not kept.
  const QImage* Find(int64_t page);
  bool Contains(int64_t page) const;
  void Insert(int64_t page, QImage image);
  // Never below 1; shrinking lets the oldest images go at once.
  void SetCapacity(size_t capacity);
  void Clear() { pages_.clear(); }
  size_t size() const { return pages_.size(); }
  size_t capacity() const { return capacity_; }

 private:
  struct Entry {
    int64_t page;
    QImage image;
  };
  size_t capacity_;
  std::list<Entry> pages_;
};

// The scrolled column of pages. Page p's top edge is at kPageGap + p * (page height + kPageGap)
// of the content, in logical pixels.
class PreviewPages : public QAbstractScrollArea {
  Q_OBJECT

 public:
  static constexpr int kPageGap = 12;
  // Zoom limits, as a fraction of the paper's real size at the screen's resolution.
  static constexpr double kMinZoom = 0.1;
  static constexpr double kMaxZoom = 4;
  // Page images are drawn at no more than this resolution: beyond it a page is scaled up on the
  // screen, so that one image never needs more than a few tens of MB.
  static constexpr int kMaxImageDpi = 300;
  // Page images kept beyond the visible ones.
  static constexpr size_t kSparePages = 4;

  explicit PreviewPages(QWidget* parent = nullptr);

  // Shows `pages` from page `first` (clamped) on; none shows an empty grey area.
  void SetDocument(std::unique_ptr<PageRenderer> pages, int64_t first = 0);
  int64_t page_count() const { return pages_ == nullptr ? 0 : pages_->PageCount(); }
  // The page at the middle of the view (or the one moved to last); 0-based.
  int64_t current_page() const;
  void GoToPage(int64_t page);

  enum class Fit { kNone, kWidth, kPage };
  double zoom() const { return zoom_; }
  Fit fit() const { return fit_; }
  // Leaves fitting; clamped to [kMinZoom, kMaxZoom].
  void SetZoom(double zoom);
  // Keeps fitting as the view's size changes.
  void SetFit(Fit fit);

  // The page images kept now, and how many are kept at most at the current zoom and size.
  size_t cached_pages() const { return cache_.size(); }
  size_t cache_capacity() const { return cache_.capacity(); }
  // Whether the image of `page` at the current zoom is kept.
  bool IsDrawn(int64_t page) const { return cache_dpi_ == image_dpi() && cache_.Contains(page); }
  // The visible pages, first to last; none before the view has a size.
  std::vector<int64_t> VisiblePages() const;
  // The image shown for `page`, drawing it now when it is not kept (tests, the benchmark).
  QImage PageImage(int64_t page);
  // The resolution page images are drawn at now.
  int image_dpi() const;

 signals:
  void currentPageChanged(int64_t page);
  void zoomChanged(double zoom);
  // A page's image has been drawn and shown.
  void pageRendered(int64_t page);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  // The paper at the current zoom, in logical pixels.
  QSizeF PageSize() const;
  double PagePitch() const { return PageSize().height() + kPageGap; }
  // The content's vertical offset at the top of the view, in logical pixels.
  double Offset() const;
  void SetOffset(double offset);
  void UpdateScrollBars();
  void ApplyFit();
  void ZoomTo(double zoom);
  // Draws one visible page that is not kept yet, then comes back for the next.
  void RenderNext();
  void NoteCurrentPage();

  std::unique_ptr<PageRenderer> pages_;
  PageImageCache cache_{kSparePages + 1};
  int cache_dpi_ = 0;  // the resolution of the cached images
  double zoom_ = 1;
  Fit fit_ = Fit::kPage;
  // Content pixels per scroll-bar step: 1 unless the column is taller than a scroll bar counts.
  double scroll_unit_ = 1;
  std::optional<int64_t> moved_to_;  // the page GoToPage showed, until the view scrolls
  int64_t last_current_ = -1;
  QTimer render_timer_;
};

class PrintPreviewDialog : public QDialog {
  Q_OBJECT

 public:
  explicit PrintPreviewDialog(QWidget* parent = nullptr);

  // Shows `pages`, keeping the current page (clamped) when it replaces a document.
  void SetDocument(std::unique_ptr<PageRenderer> pages);
  PreviewPages* pages_view() const { return view_; }

 signals:
  void pageSetupRequested();
  void printRequested();

 private:
  void UpdatePageBox();
  void UpdateZoomBox();

  PreviewPages* view_;
  QLineEdit* page_box_ = nullptr;
  QLabel* page_total_ = nullptr;
  QComboBox* zoom_box_ = nullptr;
  QAction* first_ = nullptr;
  QAction* previous_ = nullptr;
  QAction* next_ = nullptr;
  QAction* last_ = nullptr;
};

}  // namespace parvex

#endif  // PARVEX_APP_PRINT_PREVIEW_H_
