#pragma once
// The main window's painted caption: a strip along the top of a frameless
// window with a colour gradient, the window icon, the title and the caption
// buttons. The strip behaves as a title bar: dragging it moves the window, a
// double click maximises or restores it, and its buttons minimise, maximise
// or restore, and close. The border around the window resizes it.
//
// The caption is drawn into an off-screen image, one per active state, reused
// until the caption's size or the palette changes, so activation changes and
// repaints only copy an image.
#include <QFont>
#include <QImage>
#include <QRect>
#include <functional>
#include <memory>
#include <string>

#include "ui/subclass_wnd.h"
#include "ui/ui_math.h"

class QMainWindow;
class QPainter;

namespace ui {

// Metrics of the caption, after the system's: frame width, caption-button
// box (SM_CXSIZE x SM_CYSIZE) and caption height.
struct CaptionMetrics {
  int frame = 4;
  int cxSize = 18;
  int cySize = 18;
  int height = 18;
};
CaptionMetrics captionMetrics(const QFont& captionFont);

// Where the caption buttons go in a caption of w x h: close at the right
// edge, maximise/restore or help to its left, minimise 2 pixels closer.
struct CaptionButtons {
  WinRect close, maxOrHelp, min;
  bool hasMaxOrHelp = false, hasMin = false;
  int textRight = 0;  // right end of the title text
};
CaptionButtons captionButtonRects(int w, int h, int cxSize, bool hasMaxOrHelp, bool hasMin);

// What a caption paint request carries (a request with no image means that
// the system colours changed).
struct CaptionPaintRequest {
  int width = 0, height = 0;
  QImage* image = nullptr;
  bool active = false;
};

}  // namespace ui

class CCaptionPainter : public CSubclassWnd {
 public:
  explicit CCaptionPainter(QObject* parent = nullptr);
  ~CCaptionPainter() override;

  // Hooks the frame; `showDocumentName` adds the active document's name.
  void install(QWidget* frame, bool showDocumentName = false);
  // Draws the caption for a request (what the frame's paint-request handler
  // calls); with no image it drops the caption font.
  void paintCaption(bool active, const ui::CaptionPaintRequest& request,
                    const std::string& extraTitle = {});

  // The frame's handler of paint requests; without one, the painter answers
  // them itself with no extra title.
  std::function<void(const ui::CaptionPaintRequest&)> paintRequestHandler;
  // The name of the active document, shown when the flag of install was set.
  std::function<std::string()> documentName;

  bool disabled = false;
  int renderCount() const { return renders_; }
  bool lastActive() const { return lastActive_; }
  bool hasCachedImage(bool active) const {
    return !(active ? activeImage_ : inactiveImage_).isNull();
  }
  bool hasCaptionFont() const { return font_ != nullptr; }
  QRect captionRect() const;
  const ui::CaptionMetrics& metrics() const { return metrics_; }
  // Caption buttons as laid out for the current caption size, in window coordinates.
  ui::CaptionButtons buttons() const;
  // Acts on a click on a caption button (0 close, 1 maximise/restore, 2 minimise).
  void pressCaptionButton(int which);

 protected:
  bool windowProc(QEvent* event) override;

 private:
  void forgetCache();
  void paintOnWindow();
  const QFont& captionFont();
  void sendPaintRequest(const ui::CaptionPaintRequest& r);
  int hitButton(const QPoint& p) const;
  Qt::Edges edgesAt(const QPoint& p) const;
  bool handleMouse(QEvent* event);

  QImage activeImage_, inactiveImage_;
  QSize cachedSize_;
  bool lastActive_ = false;
  bool showDocumentName_ = false;
  std::unique_ptr<QFont> font_;
  ui::CaptionMetrics metrics_;
  int renders_ = 0;
  int pressedButton_ = -1;
  // Moving and resizing by hand when the window system cannot do it.
  bool dragging_ = false;
  Qt::Edges resizing_;
  QPoint dragOffset_;
  QRect startGeometry_;
  QPoint startGlobal_;
};

// Gives a main window the painted caption: frameless, with a caption strip and
// a resizing border kept free by the window's contents margins. Returns the
// painter, owned by the window.
CCaptionPainter* installCaption(QMainWindow* window);
