#include "platform/browser/hh_pane_ctrl.h"

#include <QApplication>
#include <QPalette>
#include <QPointer>
#include <QTimer>

#include "common/messages.h"
#include "platform/browser/tcard_event.h"
#include "res/strings.h"

using namespace itss;

namespace {

constexpr std::string_view kPanePrefixes[] = {"Corrie:", "Tamblin:"};
constexpr std::string_view kAboutPrefixes[] = {"Tamblin:"};

std::string hexColour(const QColor& c) {
  std::string out = "#000000";
  const char* digits = "0123456789ABCDEF";
  const int parts[] = {c.red(), c.green(), c.blue()};
  for (int i = 0; i < 3; ++i) {
    out[1 + 2 * i] = digits[(parts[i] >> 4) & 0xF];
    out[2 + 2 * i] = digits[parts[i] & 0xF];
  }
  return out;
}

// A text as a JavaScript string literal.
QString jsString(const std::string& utf8) {
  QString out = QStringLiteral("\"");
  for (QChar c : QString::fromStdString(utf8)) {
    if (c == QLatin1Char('"') || c == QLatin1Char('\\'))
      out += QLatin1Char('\\') + c;
    else if (c.unicode() < 0x20 || c == QChar(0x2028) || c == QChar(0x2029))
      out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
    else
      out += c;
  }
  return out + QLatin1Char('"');
}

}  // namespace

std::span<const std::string_view> CHHPaneCtrl::linkPrefixes() const { return kPanePrefixes; }
std::span<const std::string_view> CAboutHHCtrl::linkPrefixes() const { return kAboutPrefixes; }

void CHHPaneCtrl::OnBeforeNavigate(const std::string& url, unsigned, const std::string&,
                                   const std::string&, const std::string&, bool& cancel) {
  handleLink(url, cancel);
}

void CHHPaneCtrl::handleLink(const std::string& url, bool& cancel) {
  cancel = false;
  const browser::TCardLink link = browser::parseTCardLink(url, linkPrefixes());
  if (link.kind == browser::TCardLink::NotALink) return;
  cancel = true;
  if (link.kind == browser::TCardLink::Ignored) return;
  QPointer<QWidget> target = container();
  QTimer::singleShot(0, this, [link, target] {
    if (link.kind == browser::TCardLink::Malformed) {
      ShowMessage(IDS_BAD_HELP_FILE, MB_ICONEXCLAMATION);
      return;
    }
    if (!target) return;
    if (link.secondIsText) {
      browser::TCardEvent event(link.first, link.text);
      QApplication::sendEvent(target, &event);
    } else {
      browser::TCardEvent event(link.first, link.second);
      QApplication::sendEvent(target, &event);
    }
  });
}

std::pair<std::string, std::string> CHHPaneCtrl::pageColours() const {
  const QPalette palette = QApplication::palette();
  if (colourMode == kButtonColours)
    return {hexColour(palette.color(QPalette::Active, QPalette::Button)),
            hexColour(palette.color(QPalette::Active, QPalette::ButtonText))};
  return {hexColour(palette.color(QPalette::Active, QPalette::Base)),
          hexColour(palette.color(QPalette::Active, QPalette::Text))};
}

void CHHPaneCtrl::OnDocumentComplete(const std::string&) {
  if (colourMode == kPageColours) return;
  const auto [background, text] = pageColours();
  runScript(QStringLiteral("document.bgColor = %1; document.fgColor = %2;")
                .arg(jsString(background), jsString(text)));
}

HRESULT CHHPaneCtrl::HideById(const std::string& text) {
  if (!browser()) return E_FAIL;
  runScript(QStringLiteral("for (const d of document.getElementsByTagName('div'))"
                           " if (d.id.indexOf(%1) >= 0) d.style.display = 'none';")
                .arg(jsString(text)));
  return S_OK;
}

void CAboutHHCtrl::OnDocumentComplete(const std::string&) {
  const std::string banner = std::string("<H2 align=center>") + LoadStr(IDS_VERSION) + "</H2>";
  runScript(QStringLiteral("for (const d of document.getElementsByTagName('div'))"
                           " if (d.id.toUpperCase() === 'VERSION') { d.innerHTML = %1; break; }")
                .arg(jsString(banner)));
}
