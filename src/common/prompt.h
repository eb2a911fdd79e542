#pragma once
// How operations talk to the person running them without knowing about
// windows: they report through a ResultSink and ask through a Prompter. The
// GUI binds these to the results dialog and message boxes, the command line
// to the terminal, and tests to recording doubles that answer as scripted.
#include <string>
#include <string_view>

// Message-box flags (the values the Windows program used).
constexpr unsigned MB_OK = 0x0;
constexpr unsigned MB_OKCANCEL = 0x1;
constexpr unsigned MB_ABORTRETRYIGNORE = 0x2;
constexpr unsigned MB_YESNOCANCEL = 0x3;
constexpr unsigned MB_YESNO = 0x4;
constexpr unsigned MB_RETRYCANCEL = 0x5;
constexpr unsigned MB_TYPEMASK = 0xF;
constexpr unsigned MB_ICONHAND = 0x10;
constexpr unsigned MB_ICONERROR = 0x10;
constexpr unsigned MB_ICONSTOP = 0x10;
constexpr unsigned MB_ICONQUESTION = 0x20;
constexpr unsigned MB_ICONEXCLAMATION = 0x30;
constexpr unsigned MB_ICONWARNING = 0x30;
constexpr unsigned MB_ICONASTERISK = 0x40;
constexpr unsigned MB_ICONINFORMATION = 0x40;
constexpr unsigned MB_ICONMASK = 0xF0;
constexpr unsigned MB_DEFBUTTON1 = 0x000;
constexpr unsigned MB_DEFBUTTON2 = 0x100;
constexpr unsigned MB_DEFBUTTON3 = 0x200;
constexpr unsigned MB_DEFMASK = 0xF00;

// Button ids a question returns.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// A message box request: UTF-8 text, the MB_* flags; returns the ID* pressed.
class Prompter {
 public:
  virtual ~Prompter() = default;
  virtual int ask(std::string_view text, unsigned flags) = 0;
};

// Where a long operation reports: result lines (without their "\r\n"), the
// progress range and steps, and the cancel flag it reads at its checkpoints.
class ResultSink {
 public:
  virtual ~ResultSink() = default;
  virtual void appendLine(std::string_view line) = 0;
  virtual void setRange(int lower, int upper) = 0;
  virtual void step() = 0;
  virtual bool cancelled() = 0;
};
