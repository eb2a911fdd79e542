// wrenlow: the GUI program. Its only argument is a file name.
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <cstring>

#include "app/open_file_dialog.h"
#include "app/qt_front_end.h"
#include "app/tool_set_app.h"
#include "common/messages.h"
#include "common/out_of_memory.h"
#include "common/settings_store.h"
#include "platform/browser/closed_profile.h"
#include "platform/dialogs/qt_prompter.h"
#include "platform/htmlhelp/html_help.h"
#include "platform/htmlhelp/reader_window.h"
#include "platform/registry/registry.h"
#include "platform/system/sysdirs.h"
#include "res/ids.h"
#include "ui/help_page_pane.h"

namespace {

constexpr int kReaderWidth = 1000, kReaderHeight = 720;

// Answers --help and --version before anything needs a display, so that
// scripts (and the build's man page generator) can ask without one.
bool answerInformationOption(int argc, char** argv) {
  if (argc != 2) return false;
  if (!std::strcmp(argv[1], "--version")) {
    std::printf("wrenlow %s\n", WRENLOW_VERSION);
    return true;
  }
  if (std::strcmp(argv[1], "--help") && std::strcmp(argv[1], "-h")) return false;
  std::printf(
      "usage: wrenlow [FILE]\n"
      "       wrenlow --read FILE.chm[::/page.htm]\n"
      "Decompile, recompile and view compiled help files (.chm, .its).\n"
      "\n"
      "Without FILE the main window opens. A FILE whose name contains \".chm\" or\n"
      "\".its\" opens in the file viewer alone, and the program ends when the\n"
      "viewer closes. --read opens a compiled help file to read, with its\n"
      "contents, index, full-text search and favourites beside the page.\n"
      "\n"
      "Options:\n"
      "  -h, --help     print this help and exit\n"
      "      --version  print the program's version and exit\n"
      "\n"
      "Environment:\n"
      "  WRENLOW_CONFIG_DIR  the settings folder (default\n"
      "                      $XDG_CONFIG_HOME/Marrowby/Wrenlow)\n"
      "  WRENLOW_WINEPREFIX  a Wine prefix whose registry and folders the help\n"
      "                      installation tools read and repair\n");
  return true;
}

// wrenlow --read FILE[::/page]: the reading window alone.
int readHelpFile(QApplication& application, const std::string& reference) {
  htmlhelp::ReadReference ref = htmlhelp::splitReadReference(reference);
  ref.helpFile =
      QFile::encodeName(QFileInfo(QFile::decodeName(ref.helpFile.c_str())).absoluteFilePath())
          .toStdString();
  SetRegistryName(kRegistryName);  // favourites live in the program's settings
  htmlhelp::ReaderWindow window;
  window.resize(kReaderWidth, kReaderHeight);
  window.remembersPlace = true;
  if (!window.open(ref.helpFile, ref.page)) {
    ShowFormattedMessage(IDS_CANNOT_OPEN, ref.helpFile, MB_ICONWARNING);
    return 1;
  }
  window.show();
  return application.exec();
}

}  // namespace

int main(int argc, char** argv) {
  if (answerInformationOption(argc, argv)) return 0;
  browser::registerSchemes();  // before the application object, as the web engine requires
  QApplication application(argc, argv);
  InstallOutOfMemoryHandler();
  dlg::installQtPrompter();
  installOpenFileDialog();
  htmlhelp::installHtmlHelp();  // the viewer behind CallHtmlHelp
  ui::installHelpPagePanes();   // tip panels show real help pages
  reg::setProblemReporter(
      [](const std::string& message) { ShowMessageText(message, MB_ICONWARNING | MB_OK); });

  std::vector<std::string> arguments;
  const QStringList args = QCoreApplication::arguments();
  for (qsizetype i = 1; i < args.size(); ++i)
    arguments.push_back(QFile::encodeName(args[i]).toStdString());

  if (arguments.size() == 2 && arguments[0] == "--read")
    return readHelpFile(application, arguments[1]);

  QtFrontEnd frontEnd;
  CToolSetApp app(frontEnd, {sysdirs::programPath(), sysdirs::programsFolder()});
  if (app.InitInstance(arguments)) application.exec();
  return app.ExitInstance();
}
