#pragma once
// The program's help as data: which topic of the help file each dialog opens,
// and which pop-up text each control shows under F1 or its context menu. The
// help file's sources (help/) carry a topic for every number named here; its
// build test reads these tables, so the two cannot drift apart.
#include <span>

namespace res {

// The program's help file, the window type its dialog topics open in, the
// pop-up text file inside it, and the page the viewer shows for binary files.
inline constexpr const char* kHelpFile = "Wrenlow.chm";
inline constexpr const char* kDialogWindowType = "DlgHelp";
inline constexpr const char* kPopupTextFile = "wrenlow.txt";
inline constexpr const char* kBinaryFilePage = "/html/binfile.htm";

// A control help table: control id and pop-up topic number alternating,
// ended by the pair (0, 0). This is the layout the help viewer reads for
// HH_TP_HELP_WM_HELP, so a table is passed to it as it stands.
using ControlHelpTable = const unsigned*;

extern const unsigned kDecompileHelp[];           // dialog 134
extern const unsigned kViewerHelp[];              // dialog 136
extern const unsigned kHelpRegistryHelp[];        // dialog 101, both modes
extern const unsigned kEditRegistryHelp[];        // dialog 139
extern const unsigned kHtmlHelpComponentsHelp[];  // dialog 135, mode 0
extern const unsigned kWinHelpComponentsHelp[];   // dialog 135, mode 1
extern const unsigned kHtmlHelpFilesHelp[];       // dialog 135, mode 2
extern const unsigned kWinHelpFilesHelp[];        // dialog 135, mode 3

// The finder's table and dialog topic for its mode (0-3); out-of-range modes
// give mode 0's.
ControlHelpTable FinderControlHelp(int mode);
int FinderTopic(int mode);

// The registry editor's dialog topic: HTML Help or WinHelp mode.
int RegistryTopic(bool winHelp);

// The recompile dialog's inline tips: the controls that show a tip, the
// string id of the tip's heading and the tip's topic.
struct ControlTip {
  int control;
  int heading;
  int topic;
};
std::span<const ControlTip> RecompileTips();
// The tip of a control, or nullptr when the control has none.
const ControlTip* FindRecompileTip(int control);

// Every control help table with the dialog template whose controls it names.
struct NamedHelpTable {
  const char* name;
  int dialog;
  ControlHelpTable pairs;
};
std::span<const NamedHelpTable> AllControlHelpTables();

// Every topic the program opens by number in the help file: dialog topics,
// tips, about, welcome and the start page (pop-up topics excluded: they live
// in the pop-up text file, not in the topic map).
std::span<const int> AllPageTopics();

// The pop-up topic of a control in a table, or 0 when the table has none.
unsigned PopupTopic(ControlHelpTable table, unsigned control);

}  // namespace res
