#include "ui/tip_pane.h"

#include <QApplication>
#include <QPointer>
#include <QStringDecoder>
#include <QStyle>
#include <QTextBrowser>
#include <QToolBar>
#include <vector>

#include "chmfiles/byte_source.h"
#include "chmfiles/ivb_idxhdr.h"
#include "common/help_locator.h"
#include "its/its_storage.h"
#include "res/ids.h"
#include "res/strings.h"

namespace ui {
namespace {

TipPaneFactory& factorySlot() {
  static TipPaneFactory factory;
  return factory;
}

int g_experience = 0;

// A help page is shown whole; pages are small, and this bounds what a damaged
// directory entry can make us allocate.
constexpr std::uint32_t kMaxPageBytes = 4u << 20;
constexpr int kBarHeightCaptions = 43;
constexpr int kBarHeightIcons = 28;

// Resolves a link of the page at `from` (both paths inside the help file).
std::string resolveLink(const std::string& from, const std::string& link) {
  std::string target = link.substr(0, link.find('#'));
  if (target.empty()) return from;
  if (const auto sep = target.find("::"); sep != std::string::npos) target = target.substr(sep + 2);
  if (target.front() == '/') return target;
  std::vector<std::string> parts;
  const std::string base = from.substr(0, from.rfind('/') + 1) + target;
  std::size_t at = 0;
  while (at <= base.size()) {
    std::size_t end = base.find('/', at);
    if (end == std::string::npos) end = base.size();
    const std::string seg = base.substr(at, end - at);
    if (seg == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!seg.empty() && seg != ".") {
      parts.push_back(seg);
    }
    at = end + 1;
  }
  std::string out;
  for (const auto& p : parts) out += "/" + p;
  return out;
}

// The stand-in: the page's HTML rendered by a text browser, read from the
// help file through the storage engine. Links inside the file are followed;
// others are left alone.
class TextTipPane : public TipPane {
 public:
  ~TextTipPane() override {
    delete bar_.data();
    delete page_.data();
  }

  bool setHelpFile(const std::string& name) override {
    std::string path;
    if (!LocateHelpFile(name, path)) return false;
    if (storage_.open(path.c_str()) != itss::S_OK) return false;
    path_ = path;
    return true;
  }

  bool create(QWidget* parent, const QRect& rect, unsigned buttonMask, const TipHome& home,
              bool captions) override {
    home_ = home;
    QRect pageRect = rect;
    if (buttonMask != 0) {
      bar_ = new QToolBar(parent);
      bar_->setToolButtonStyle(captions ? Qt::ToolButtonTextUnderIcon : Qt::ToolButtonIconOnly);
      const QStringList names = QString::fromUtf8(LoadStr(IDS_HH_BUTTON_CAPTIONS)).split('|');
      const QStyle::StandardPixmap icons[] = {QStyle::SP_DirHomeIcon, QStyle::SP_ArrowBack};
      for (int i = 0; i < 2; ++i) {
        if (!(buttonMask & (1u << i))) continue;
        if (i == 0 && home.page.empty() && home.topic == 0) continue;
        QAction* a = bar_->addAction(QApplication::style()->standardIcon(icons[i]),
                                     i < names.size() ? names[i] : QString());
        const int id = kTipFirstCommand + i;
        QObject::connect(a, &QAction::triggered, bar_, [this, id] { toolbarCommand(id); });
      }
      const int h = captions ? kBarHeightCaptions : kBarHeightIcons;
      bar_->setGeometry(rect.left(), rect.top(), rect.width(), h);
      bar_->show();
      pageRect.setTop(rect.top() + h + 2);
    }
    page_ = new QTextBrowser(parent);
    page_->setOpenLinks(false);
    QObject::connect(page_, &QTextBrowser::anchorClicked, page_, [this](const QUrl& url) {
      if (!url.scheme().isEmpty() && url.scheme() != "its" && url.scheme() != "ms-its") return;
      show(resolveLink(current_, url.toString().toStdString()), true);
    });
    page_->setGeometry(pageRect);
    page_->show();
    return true;
  }

  void navigateHome() override {
    std::string page = home_.page;
    if (page.empty() && home_.topic != 0) {
      std::vector<MapEntry> entries;
      std::string url;
      if (readIvb(storage_.root(), entries) == itss::S_OK &&
          mapTopicUrl(storage_, path_, entries, static_cast<std::uint32_t>(home_.topic), url) ==
              itss::S_OK)
        page = url.substr(url.find("::") + 2);
    }
    if (!page.empty()) show(page.front() == '/' ? page : "/" + page, true);
  }

  QWidget* window() const override { return page_; }
  QWidget* toolBar() const override { return bar_; }

  void toolbarCommand(int id) override {
    if (id == kTipFirstCommand) {
      navigateHome();
    } else if (id == kTipFirstCommand + 1 && history_.size() > 1) {
      history_.pop_back();
      const std::string back = history_.back();
      history_.pop_back();
      show(back, true);
    }
  }

 private:
  void show(const std::string& page, bool remember) {
    if (!page_ || !storage_.root()) return;
    TableSource source(storage_.root(), page.c_str());
    if (!source.available()) return;
    std::string html;
    char buf[8192];
    while (html.size() < kMaxPageBytes) {
      const std::uint32_t n = source.read(buf, sizeof buf);
      if (n == 0) break;
      html.append(buf, n);
    }
    current_ = page;
    if (remember) history_.push_back(page);
    const QByteArray bytes(html.data(), static_cast<qsizetype>(html.size()));
    QStringDecoder decoder = QStringDecoder::decoderForHtml(bytes);
    page_->setHtml(decoder.isValid() ? decoder.decode(bytes) : QString::fromUtf8(bytes));
  }

  ItsStorage storage_;
  std::string path_;
  TipHome home_;
  std::string current_;
  std::vector<std::string> history_;
  QPointer<QToolBar> bar_;
  QPointer<QTextBrowser> page_;
};

}  // namespace

void setTipPaneFactory(TipPaneFactory factory) { factorySlot() = std::move(factory); }

std::unique_ptr<TipPane> makeTipPane() {
  if (factorySlot()) return factorySlot()();
  return std::make_unique<TextTipPane>();
}

void setTipExperience(int experience) { g_experience = experience; }
int tipExperience() { return g_experience; }

}  // namespace ui
