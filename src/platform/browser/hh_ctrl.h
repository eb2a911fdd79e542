#pragma once
// CHHCtrl: the host of help pages. It shows a web view (control id 0xE900)
// in a closed browser profile, optionally under a tool bar of its own (id 1,
// buttons 0xFF00 + i), knows one help file, and navigates inside it by
// "its:" address or by topic number through the file's "#IVB" map. The web
// view's signals become the virtual operations below; subclasses override
// them. Both widgets are children of the parent given to Create, so the
// parent lays them out through Move and receives their messages.
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QWebEngineView>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "chmfiles/ivb_idxhdr.h"
#include "platform/itss/status.h"
#include "res/ids.h"

class QToolButton;

// The home argument of Create: a page (URL, or a path inside the help file;
// an empty page still counts as given), a topic number, or nothing.
struct HHHome {
  enum Kind { None, Page, Topic };
  Kind kind = None;
  std::string page;
  std::uint32_t topic = 0;

  static HHHome none() { return {}; }
  static HHHome url(std::string page) { return {Page, std::move(page), 0}; }
  static HHHome number(std::uint32_t topic) { return {Topic, {}, topic}; }
};

class CHHCtrl : public QObject {
  Q_OBJECT

 public:
  // Tool-bar heights with and without captions; the view starts this far
  // below the tool bar.
  static constexpr int kToolbarHeightCaptions = 43;
  static constexpr int kToolbarHeightPlain = 28;
  static constexpr int kToolbarGap = 2;
  static constexpr int kButtonImage = 20;

  CHHCtrl();
  ~CHHCtrl() override;

  virtual bool Create(QWidget* parent, const QRect& rect, unsigned buttonMask, const HHHome& home,
                      bool captions);
  // Takes the rectangle of a dialog's control, destroys the control, and
  // creates the host there.
  virtual bool CreateInPlace(QWidget* dialog, int controlId, unsigned buttonMask,
                             const HHHome& home, bool captions);
  virtual void OnHook(std::intptr_t) {}
  virtual void OnBeforeNavigate(const std::string& url, unsigned flags,
                                const std::string& targetFrame, const std::string& postData,
                                const std::string& headers, bool& cancel);
  virtual void OnNavigateComplete(const std::string&) {}
  virtual void OnDownloadBegin() {}
  virtual void OnDownloadComplete() {}
  virtual void OnDocumentComplete(const std::string&) {}
  virtual void OnProgressChange(long, long) {}
  virtual void OnStatusTextChange(const std::string&) {}
  virtual void OnTitleChange(const std::string&) {}
  // Command 1: forward possible; 2: back possible.
  virtual void OnCommandStateChange(long command, bool enable);
  virtual void OnPropertyChange(const std::string&) {}
  virtual void OnNewWindow(bool& cancel);
  virtual void OnQuit() {}
  virtual void OnVisible(bool) {}
  virtual void OnToolbarCommand(int id);

  // Locates the file (as given, else where help files are looked for) and
  // keeps its full path; reports string 20736 and keeps the old one when
  // there is no such file.
  bool SetHelpFile(const std::string& name);
  itss::HRESULT Navigate(const std::string& url, unsigned flags = 0);
  // "its:" + help file + "::" + path; STG_E_FILENOTFOUND without a help file.
  itss::HRESULT NavigateInternal(const std::string& path, unsigned flags = 0);
  // The page the help file's "#IVB" maps the topic to.
  itss::HRESULT NavigateTopic(std::uint32_t topic, unsigned flags = 0);
  void Move(const QRect& rect, bool repaint = true);
  std::string CurrentLocation() const;
  void EnableButton(int id, bool enable);
  void Print();

  const std::string& helpFile() const { return helpFile_; }
  QWebEngineView* browser() const { return browser_; }
  QWidget* toolbar() const { return toolbar_; }
  QToolButton* button(int id) const;
  // The window that contains the browser (the parent given to Create).
  QWidget* container() const { return parent_; }
  bool hasWindow() const { return !browser_.isNull(); }

  // The highest tool-bar command that may exist (0xFF04; the viewer's 0xFF05).
  int lastButtonId = ID_HHBTN_CLOSE;

  // Tool-bar clicks go to the owner when it installs a handler (it passes
  // the commands it does not keep to OnToolbarCommand), else straight to
  // OnToolbarCommand.
  std::function<void(int id)> commandHandler;

 signals:
  // After OnDocumentComplete: a page (or a failed load) has finished.
  void documentCompleted(const QString& url, bool ok);

 protected:
  // Runs script in the page's own isolated world (the page's scripts cannot
  // see or replace what it uses).
  void runScript(const QString& script);

 private:
  friend class HHPage;
  bool createToolbar(QWidget* parent, const QRect& rect, unsigned buttonMask, bool captions);
  void buttonClicked(int id);
  void updateHistoryButtons();
  void releaseWidgets();

  QPointer<QWidget> parent_;
  QPointer<QWebEngineView> browser_;
  QPointer<QWidget> toolbar_;
  std::string helpFile_;
  std::vector<MapEntry> mapEntries_;
  bool mapLoaded_ = false;
  HHHome home_;
  int toolbarHeight_ = 0;
};
