// wrenlow: the GUI program. Its only argument is a file name.
#include <QApplication>
#include <QFile>

#include "app/open_file_dialog.h"
#include "app/qt_front_end.h"
#include "app/tool_set_app.h"
#include "common/messages.h"
#include "common/out_of_memory.h"
#include "platform/browser/closed_profile.h"
#include "platform/dialogs/qt_prompter.h"
#include "platform/registry/registry.h"
#include "platform/system/sysdirs.h"

int main(int argc, char** argv) {
  browser::registerSchemes();  // before the application object, as the web engine requires
  QApplication application(argc, argv);
  InstallOutOfMemoryHandler();
  dlg::installQtPrompter();
  installOpenFileDialog();
  reg::setProblemReporter(
      [](const std::string& message) { ShowMessageText(message, MB_ICONWARNING | MB_OK); });

  std::vector<std::string> arguments;
  const QStringList args = QCoreApplication::arguments();
  for (qsizetype i = 1; i < args.size(); ++i)
    arguments.push_back(QFile::encodeName(args[i]).toStdString());

  QtFrontEnd frontEnd;
  CToolSetApp app(frontEnd, {sysdirs::programPath(), sysdirs::programsFolder()});
  if (app.InitInstance(arguments)) application.exec();
  return app.ExitInstance();
}
