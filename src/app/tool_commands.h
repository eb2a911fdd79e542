#pragma once
// The tools the main window starts, by command id: which window handles the
// command and the function that runs the tool's dialog. A tool whose dialog
// is not part of the program yet has no function, and its command does
// nothing. To add a tool, fill in its function in tool_commands.cpp.
#include <span>

class QWidget;

using ToolFunction = void (*)(QWidget* owner);

enum class CommandOwner { View, Frame };

struct ToolCommand {
  int id;
  CommandOwner owner;
  ToolFunction run;  // nullptr: nothing happens yet
};

std::span<const ToolCommand> toolCommands();
