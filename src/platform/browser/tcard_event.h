#pragma once
// The training-card message as a Qt event: a help pane sends it to the window
// that contains its browser when a page follows a "TCard" link. The second
// parameter is a number, or the address of the link's text, which lives as
// long as the event.
#include <QEvent>
#include <cstdint>
#include <string>

#include "res/ids.h"

namespace browser {

inline constexpr QEvent::Type kTCardEventType = static_cast<QEvent::Type>(QEvent::User + WM_TCARD);

class TCardEvent : public QEvent {
 public:
  TCardEvent(std::int32_t wParam, std::int32_t number)
      : QEvent(kTCardEventType), wParam_(wParam), number_(number) {}
  TCardEvent(std::int32_t wParam, std::string text)
      : QEvent(kTCardEventType), wParam_(wParam), text_(std::move(text)), hasText_(true) {}

  std::int32_t wParam() const { return wParam_; }
  // The number, or the text's address when the argument was text.
  std::intptr_t lParam() const {
    return hasText_ ? reinterpret_cast<std::intptr_t>(text_.c_str()) : number_;
  }
  bool hasText() const { return hasText_; }
  const std::string& text() const { return text_; }

 private:
  std::int32_t wParam_;
  std::int32_t number_ = 0;
  std::string text_;
  bool hasText_ = false;
};

}  // namespace browser
