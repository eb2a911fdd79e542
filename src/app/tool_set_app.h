#pragma once
// The application object: start-up and exit of the process. The windows it
// opens belong to a front end (AppFrontEnd), so start-up and exit run the
// same way under a test that records what would have been shown.
#include <cstdint>
#include <string>
#include <vector>

// The windows of the program, as the application object starts them.
class AppFrontEnd {
 public:
  virtual ~AppFrontEnd() = default;
  // Examine mode: the CHM/ITS viewer for the file, modal, without a parent.
  virtual void runViewer(const std::string& file) = 0;
  // Normal mode: the log document with its frame and view, opening the named
  // file (empty: a new document). False when that fails.
  virtual bool createMainWindow(const std::string& file) = 0;
  // The main frame as an opaque window handle (the message-box owner).
  virtual void* mainWindow() = 0;
  virtual void showMainWindow() = 0;
  // The dialog toolkit's window-creation hook. Qt widgets need no such hook,
  // so the Qt front end installs nothing.
  virtual void installWindowHook() {}
  virtual void removeWindowHook() {}
  // The check for leftover temporary files of help programs.
  virtual void runTemporaryFileCheck() {}
};

// The program's name under "Software\Marrowby" in the settings.
constexpr const char* kRegistryName = "Wrenlow";

// Where the first-run shell integration puts things.
struct ShellPlaces {
  std::string executable;      // full path of the program
  std::string programsFolder;  // the start menu's Programs folder; empty: not found
};

class CToolSetApp {
 public:
  CToolSetApp(AppFrontEnd& frontEnd, ShellPlaces places);
  ~CToolSetApp();
  CToolSetApp(const CToolSetApp&) = delete;
  CToolSetApp& operator=(const CToolSetApp&) = delete;

  // Start-up; `arguments` are the command-line arguments after the program
  // name. True to run the message loop, false to end the process.
  bool InitInstance(const std::vector<std::string>& arguments);
  // Exit: saves changed recent-entry lists and changed settings; returns 0.
  int ExitInstance();

  // Done once per user: the program-group shortcut and the "Examine" verb.
  void FirstRunShellIntegration();

  enum class Mode { NotStarted, Examine, Normal, Failed };
  Mode mode() const { return mode_; }

  // Preferences word 0, bit 0: the first-run shell integration has been done.
  static constexpr std::uint32_t kShellIntegrated = 1;

  // The settings (process-wide state other parts read and change).
  std::uint32_t preferences[2] = {0, 0};
  std::uint32_t preferencesAsLoaded[2] = {0, 0};
  std::int32_t experience = 0;
  std::int32_t experienceAsLoaded = 0;

 private:
  AppFrontEnd& frontEnd_;
  ShellPlaces places_;
  Mode mode_ = Mode::NotStarted;
  bool hookInstalled_ = false;
};

// The application object of the running program (null before it exists).
CToolSetApp* theApp();

// Whether a command-line file starts the viewer: its name contains ".chm" or
// ".its" anywhere, in any letter case.
bool IsExamineFile(const std::string& file);
