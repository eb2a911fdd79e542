#include "app/tool_commands.h"

#include "app/help_commands.h"
#include "diagnostics/components_dlg.h"
#include "diagnostics/help_reg_dlg.h"
#include "res/ids.h"
#include "tool_dialogs/create_its_command.h"
#include "tool_dialogs/decompile_command.h"
#include "tool_dialogs/recompile_command.h"
#include "viewer/viewer_dlg.h"

namespace {

constexpr ToolCommand kToolCommands[] = {
    // The view's tools.
    {ID_CREATE_ITS, CommandOwner::View, CreateItsCommand},  // create an ITS file
    {ID_DECOMPILE, CommandOwner::View, DecompileCommand},   // decompile
    {ID_RECOMPILE, CommandOwner::View, RecompileCommand},   // recompile
    // The help registry editors of dialog 101.
    {ID_WINHELP_REGISTRY, CommandOwner::View, WinHelpRegistryCommand},
    {ID_HTMLHELP_REGISTRY, CommandOwner::View, HtmlHelpRegistryCommand},
    // The finders of dialog 135.
    {ID_FIND_HTMLHELP_FILES, CommandOwner::View, HtmlHelpFilesCommand},
    {ID_FIND_WINHELP_FILES, CommandOwner::View, WinHelpFilesCommand},
    {ID_FIND_HTMLHELP_COMPONENTS, CommandOwner::View, HtmlHelpComponentsCommand},
    {ID_FIND_WINHELP_COMPONENTS, CommandOwner::View, WinHelpComponentsCommand},
    // The frame's: the program's help and the CHM viewer.
    {ID_HELP_TOPICS, CommandOwner::Frame, HelpTopicsCommand},
    {ID_HELP_ABOUT, CommandOwner::Frame, AboutCommand},
    {ID_HELP_GETTING_STARTED, CommandOwner::Frame, WelcomeCommand},
    {ID_VIEW_CHM, CommandOwner::Frame, ViewChmCommand},
};

}  // namespace

std::span<const ToolCommand> toolCommands() { return kToolCommands; }
