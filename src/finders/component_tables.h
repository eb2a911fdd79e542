#pragma once
// The names the finders look for: the help systems' component files, the
// classes that register HTML Help components, and the help files'
// extensions.
#include <span>

namespace finders {

// The four modes of the finder dialog, in the order of its mode number.
enum class FinderMode {
  HtmlHelpComponents = 0,
  WinHelpComponents = 1,
  HtmlHelpFiles = 2,
  WinHelpFiles = 3
};

inline bool isComponentMode(FinderMode m) {
  return m == FinderMode::HtmlHelpComponents || m == FinderMode::WinHelpComponents;
}

// The HTML Help control: the first name of the HTML Help table, whose
// version text carries the release label.
inline constexpr const char* kHtmlHelpControl = "hhctrl.ocx";
inline constexpr const char* kHtmlHelpControlClsid = "4662DAB0-D393-11D0-9A56-00C04FB68B66";

struct RegisteredComponent {
  const char* clsid;
  const char* file;
};

std::span<const char* const> htmlHelpComponentNames();        // 22 names
std::span<const char* const> winHelpComponentNames();         // 9 names
std::span<const RegisteredComponent> registeredComponents();  // 16 pairs
// The extensions of mode 2 or 3, with their "." (nothing for the component
// modes).
std::span<const char* const> helpFileExtensions(FinderMode mode);

}  // namespace finders
