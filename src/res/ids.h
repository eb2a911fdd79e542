#pragma once
// Resource identifiers: commands, dialogs, controls, strings, bitmaps, help
// topics and start-page link numbers, as the program's resource header holds
// them. Values are fixed: they are the numbers the help file, the string table
// and the dialog templates use, so never renumber one.

// ---------------------------------------------------------------------------
// The framework's shared identifiers
// ---------------------------------------------------------------------------
constexpr int IDC_STATIC = -1;
// The dialog results IDOK (1), IDCANCEL (2), IDABORT ... IDNO (7) are the
// button ids of common/prompt.h; templates use the same numbers for their OK
// and Cancel buttons.
constexpr int ID_SEPARATOR = 0;  // the status bar's message pane

// Framework commands (the document/frame framework's own numbers).
constexpr int ID_FILE_NEW = 57600;          // 0xE100
constexpr int ID_FILE_OPEN = 57601;         // 0xE101
constexpr int ID_FILE_PRINT_SETUP = 57606;  // 0xE106
constexpr int ID_FILE_PRINT = 57607;        // 0xE107, also answered by the help host as Print
constexpr int ID_APP_ABOUT = 57664;         // 0xE140
constexpr int ID_APP_EXIT = 57665;          // 0xE141
constexpr int ID_HELP_INDEX = 57666;        // 0xE142
constexpr int ID_HELP_FINDER = 57667;       // 0xE143
constexpr int ID_HELP_USING = 57668;        // 0xE144
constexpr int ID_CONTEXT_HELP = 57669;      // 0xE145
constexpr int ID_HELP = 57670;              // 0xE146
constexpr int ID_DEFAULT_HELP = 57671;      // 0xE147
constexpr int ID_APPLY_NOW = 12321;         // 0x3021, the Apply button of anchored dialogs

// Framework strings and windows.
constexpr int AFX_IDS_APP_TITLE = 57344;    // 0xE000, "Wrenlow"
constexpr int AFX_IDS_IDLEMESSAGE = 57345;  // 0xE001, status bar idle text
constexpr int ID_INDICATOR_CAPS = 59137;    // 0xE701, "CAP"
constexpr int ID_INDICATOR_NUM = 59138;     // 0xE702, "NUM"
constexpr int AFX_IDW_STATUS_BAR = 59393;   // 0xE801
constexpr int AFX_IDW_PANE_FIRST = 59648;   // 0xE900, id of the embedded browser window
constexpr int IDS_APP_TITLE = AFX_IDS_APP_TITLE;
constexpr int IDS_IDLE_MESSAGE = AFX_IDS_IDLEMESSAGE;

// ---------------------------------------------------------------------------
// Shared resource 128: main menu, accelerators, icon and document string
// ---------------------------------------------------------------------------
constexpr int IDR_MAINFRAME = 128;

// ---------------------------------------------------------------------------
// Menu and accelerator commands (each has a status-bar prompt string under the
// same number)
// ---------------------------------------------------------------------------
constexpr int ID_CREATE_ITS = 1004;                 // Tools menu
constexpr int ID_DECOMPILE = 1006;                  // Ctrl+Shift+D
constexpr int ID_RECOMPILE = 1007;                  // Ctrl+Shift+R
constexpr int ID_SAVE_RESULTS = 1018;               // Alt+S: the results box to a text file
constexpr int ID_HELP_TOPICS = 32771;               // "帮助主题(&T)..."
constexpr int ID_WINHELP_REGISTRY = 32773;          // "WinHelp 注册(&W)"
constexpr int ID_HTMLHELP_REGISTRY = 32774;         // "HTML 帮助注册(&H)"
constexpr int ID_FILE_EXIT = 32775;                 // "退出(&X)", routed to the framework's exit
constexpr int ID_HELP_ABOUT = 32777;                // "版本信息(&V)..."
constexpr int ID_FIND_HTMLHELP_FILES = 32778;       // "HTML 帮助文件(&H)"
constexpr int ID_FIND_WINHELP_FILES = 32779;        // "WinHelp 文件(&W)"
constexpr int ID_VIEW_CHM = 32781;                  // "查看 CHM 文件(&E)...", Ctrl+Shift+V
constexpr int ID_FIND_HTMLHELP_COMPONENTS = 32782;  // "HTML 帮助组件(&C)"
constexpr int ID_FIND_WINHELP_COMPONENTS = 32783;   // "WinHelp 组件(&O)"
constexpr int ID_HELP_GETTING_STARTED = 32784;      // "入门(&S)..."

// Tool-bar buttons of the help control host: 0xFF00 + button index.
constexpr int ID_HHBTN_FIRST = 0xFF00;
constexpr int ID_HHBTN_HOME = 0xFF00;
constexpr int ID_HHBTN_BACK = 0xFF01;
constexpr int ID_HHBTN_FORWARD = 0xFF02;
constexpr int ID_HHBTN_PRINT = 0xFF03;
constexpr int ID_HHBTN_CLOSE = 0xFF04;
constexpr int ID_HHBTN_TEXT = 0xFF05;  // the viewer's Text button
constexpr int ID_HHBTN_LAST = 0xFFFF;  // commands up to here go to a tip panel's host
constexpr int IDC_HH_TOOLBAR = 1;      // control id of the host's tool bar

// Tool-bar button masks (bit i = button 0xFF00 + i).
constexpr unsigned HHBTN_MASK_HOME = 0x01;
constexpr unsigned HHBTN_MASK_BACK = 0x02;
constexpr unsigned HHBTN_MASK_FORWARD = 0x04;
constexpr unsigned HHBTN_MASK_PRINT = 0x08;
constexpr unsigned HHBTN_MASK_CLOSE = 0x10;
constexpr unsigned HHBTN_MASK_TEXT = 0x20;

// ---------------------------------------------------------------------------
// Start-page links: WM_TCARD first parameter
// ---------------------------------------------------------------------------
constexpr int TCARD_DECOMPILE = 10;
constexpr int TCARD_RECOMPILE = 11;
constexpr int TCARD_HTMLHELP_REGISTRY = 12;
constexpr int TCARD_WINHELP_REGISTRY = 13;
constexpr int TCARD_HTMLHELP_COMPONENTS = 14;
constexpr int TCARD_WINHELP_COMPONENTS = 15;
constexpr int TCARD_HTMLHELP_FILES = 16;
constexpr int TCARD_WINHELP_FILES = 17;
constexpr int TCARD_VIEW_CHM = 18;
constexpr int TCARD_FIRST = TCARD_DECOMPILE;
constexpr int TCARD_LAST = TCARD_VIEW_CHM;
// This program's own link: Create ITS has no other way in but its menu item.
constexpr int TCARD_CREATE_ITS = 19;

// Private window messages.
constexpr unsigned WM_TCARD = 0x0052;
constexpr unsigned WM_HOVER_CONTROL = 0x0407;  // mouse hook → dialog, lParam = mouse record
constexpr unsigned WM_CAPTION_PAINT = 0x1401;  // caption painter → main frame
constexpr unsigned WM_CENTRE_DIALOG = 0x7400;  // posted by a tool dialog to itself

// ---------------------------------------------------------------------------
// Dialog templates
// ---------------------------------------------------------------------------
constexpr int IDD_BROWSECHM_TITLE = 1;   // child template of the compiled-file picker
constexpr int IDD_ABOUT = 100;           // about box (used when the help file is missing)
constexpr int IDD_HELP_REGISTRY = 101;   // help registry editor
constexpr int IDD_CREATE_ITS = 131;      // "编译 ITS 文件"
constexpr int IDD_RECOMPILE = 133;       // recompile, plain form
constexpr int IDD_DECOMPILE = 134;       // "反编译一个 CHM 或 ITS 文件"
constexpr int IDD_COMPONENTS = 135;      // component and help file finder
constexpr int IDD_VIEWER = 136;          // "CHM/ITS 文件查看器"
constexpr int IDD_MISSING_FILES = 138;   // "不存在已注册的文件"
constexpr int IDD_EDIT_REGISTRY = 139;   // "编辑注册表项"
constexpr int IDD_RESULTS = 140;         // "结果"
constexpr int IDD_RECOMPILE_TIPS = 141;  // recompile with the inline tip area

// ---------------------------------------------------------------------------
// Bitmaps
// ---------------------------------------------------------------------------
constexpr int IDB_TREE_IMAGES = 137;  // five 16-pixel images, magenta transparent
constexpr int IDB_HH_BUTTONS_HOT = 32000;
constexpr int IDB_HH_BUTTONS = 32001;
// Images of IDB_TREE_IMAGES.
constexpr int TREE_IMAGE_FOLDER = 0;
constexpr int TREE_IMAGE_FOLDER_OPEN = 1;
constexpr int TREE_IMAGE_TEXT = 2;
constexpr int TREE_IMAGE_PICTURE = 3;
constexpr int TREE_IMAGE_BLANK = 4;

// ---------------------------------------------------------------------------
// Controls
// ---------------------------------------------------------------------------
// Shared by several dialogs.
constexpr int IDC_TIPS = 1015;           // "提示(&T)..." / "显示帮助(&H) >>"
constexpr int IDC_BROWSE_SOURCE = 1021;  // "浏览(&B)..."
constexpr int IDC_BROWSE_TARGET = 1023;  // "浏览(&R)..."
constexpr int IDC_LIST = 102;            // report list / list box
constexpr int IDC_DELETE = 103;

// Compiled-file picker child template.
constexpr int IDC_BROWSECHM_TITLE = 100;

// About box (100).
constexpr int IDC_ABOUT_VERSION = 1036;

// Help registry editor (101).
constexpr int IDC_REG_ADD = 104;
constexpr int IDC_REG_CHANGE = 1045;

// Edit registry entry (139).
constexpr int IDC_REG_NAME = 1046;
constexpr int IDC_REG_FOLDER = 1047;
constexpr int IDC_REG_BROWSE = 1048;

// Create ITS (131).
constexpr int IDC_ITS_PROJECT_MODE = 1005;
constexpr int IDC_ITS_PROJECT_BROWSE = 1007;
constexpr int IDC_ITS_FOLDER_MODE = 1008;
constexpr int IDC_ITS_FOLDER_BROWSE = 1010;
constexpr int IDC_ITS_PROJECT = 1012;
constexpr int IDC_ITS_FOLDER = 1013;
constexpr int IDC_ITS_NAME = 1016;

// Recompile (133, 141).
constexpr int IDC_RECOMPILE_SOURCE = 1025;
constexpr int IDC_RECOMPILE_TARGET = 1026;
constexpr int IDC_RECOMPILE_COLLECTION = 1033;
constexpr int IDC_RECOMPILE_DROP_INDEX = 1034;
constexpr int IDC_RECOMPILE_DROP_CONTENTS = 1035;
constexpr int IDC_RECOMPILE_TIP_HEADING = 1055;
constexpr int IDC_RECOMPILE_TIP_PAGE = 1056;
constexpr int IDC_RECOMPILE_SOURCE_LABEL = 1057;
constexpr int IDC_RECOMPILE_TARGET_LABEL = 1058;

// Decompile (134).
constexpr int IDC_DECOMPILE_PROJECT = 1027;
constexpr int IDC_DECOMPILE_TARGET = 1029;
constexpr int IDC_DECOMPILE_SOURCE = 1030;

// Component and help file finder (135).
constexpr int IDC_EXPLORE = 1031;

// Viewer (136).
constexpr int IDC_VIEWER_FILENAME = 1037;
constexpr int IDC_VIEWER_TREE = 1038;
constexpr int IDC_VIEWER_NEWFILE = 1039;
constexpr int IDC_VIEWER_BROWSER = 1040;
constexpr int IDC_VIEWER_LINK = 1041;

// Results (140).
constexpr int IDC_RESULTS_PROGRESS = 1050;
constexpr int IDC_RESULTS_TEXT = 1052;
constexpr int IDC_RESULTS_STATUS = 1054;

// Progress window (built in code, not from a template).
constexpr int IDC_PROGRESS_CANCEL = 10;
constexpr int IDC_PROGRESS_TEXT = 11;
constexpr int IDC_PROGRESS_BAR = 12;

// ---------------------------------------------------------------------------
// Strings (message texts 4000-4067, shared library texts 20480-21000)
// ---------------------------------------------------------------------------
constexpr int IDS_SHOW_HELP = 4000;  // "显示帮助(&H) >>"
constexpr int IDS_HIDE_HELP = 4001;  // "隐藏帮助(&H) <<"
constexpr int IDS_PROJECT_NO_FILES = 4002;
constexpr int IDS_INVALID_ITS_NAME = 4003;
constexpr int IDS_ITS_FILES_SUMMARY = 4004;
constexpr int IDS_ITS_SIZE_SUMMARY = 4005;
constexpr int IDS_DECOMPILE_FOLDER_TITLE = 4006;
constexpr int IDS_INVALID_FOLDER = 4007;
constexpr int IDS_CANNOT_CREATE = 4008;
constexpr int IDS_CANNOT_CREATE_FOLDER_LINE = 4009;
constexpr int IDS_CANNOT_READ_FILE = 4010;
constexpr int IDS_FILE_READ_ONLY = 4011;
constexpr int IDS_SKIPPED = 4012;
constexpr int IDS_CANNOT_CREATE_FILE = 4013;
constexpr int IDS_WRITE_ERROR = 4014;
constexpr int IDS_WRITE_ERROR_LINE = 4015;
constexpr int IDS_DECOMPILE_SUMMARY = 4016;
constexpr int IDS_EXISTS_AS_FILE = 4017;
constexpr int IDS_SELECT_ENTRY_FIRST = 4019;
constexpr int IDS_COL_FILE = 4021;
constexpr int IDS_COL_PATH = 4022;
constexpr int IDS_COL_COMPONENT = 4023;
constexpr int IDS_COL_VERSION = 4024;
constexpr int IDS_COL_DATE = 4025;
constexpr int IDS_SEARCHING_COMPONENTS = 4027;
constexpr int IDS_CONFIRM_DELETE = 4028;
constexpr int IDS_CANNOT_DELETE = 4029;
constexpr int IDS_WILDCARD_NEEDS_FOLDER = 4030;
constexpr int IDS_RECOMPILE_FOLDER_TITLE = 4031;
constexpr int IDS_FILE_EMPTY = 4033;
constexpr int IDS_RECOMPILE_WRITE_ERROR = 4034;
constexpr int IDS_RECOMPILE_REDUCED = 4035;
constexpr int IDS_PROJECT_HEADER = 4036;
constexpr int IDS_HELP_WINDOW_TITLE = 4037;
constexpr int IDS_SEARCHING_HTMLHELP_FILES = 4038;
constexpr int IDS_SEARCHING_WINHELP_FILES = 4039;
constexpr int IDS_COL_EXTENSION = 4040;
constexpr int IDS_CHM_FILTER = 4041;
constexpr int IDS_RECOMPILE_INCREASED = 4042;
constexpr int IDS_TOTAL_REDUCED = 4043;
constexpr int IDS_TOTAL_INCREASED = 4044;
constexpr int IDS_ABOUT_TITLE = 4045;
constexpr int IDS_WINHELP_COMPONENTS_TITLE = 4046;
constexpr int IDS_WINHELP_FILES_TITLE = 4047;
constexpr int IDS_HTMLHELP_FILES_TITLE = 4048;
constexpr int IDS_ADD_TO_WORKSHOP_GROUP = 4049;
constexpr int IDS_ADDED_TO_GROUP = 4050;
constexpr int IDS_TEMP_FILES_FOUND = 4051;
constexpr int IDS_TEMP_FILES_DELETED = 4052;
constexpr int IDS_NOT_EXIST_SUFFIX = 4053;  // " (不存在)", leading blank
constexpr int IDS_CANNOT_OPEN_REGISTRY = 4054;
constexpr int IDS_WELCOME_TITLE = 4055;
constexpr int IDS_WINHELP_REGISTRY_TITLE = 4056;
constexpr int IDS_CANCELLED_LINE = 4057;  // "\r\n*** 已取消 ***"
constexpr int IDS_TIP_SOURCE = 4058;
constexpr int IDS_TIP_TARGET = 4059;
constexpr int IDS_TIP_COLLECTION = 4060;
constexpr int IDS_TIP_BINARY_CONTENTS = 4061;
constexpr int IDS_TIP_BINARY_INDEX = 4062;
constexpr int IDS_TIP_BROWSE_SOURCE = 4063;
constexpr int IDS_TIP_BROWSE_TARGET = 4064;
constexpr int IDS_CONTAINS_NO_FILES = 4065;
constexpr int IDS_CREATED = 4066;
constexpr int IDS_REGISTERED_SUFFIX = 4067;      // " (已注册)", leading blank
constexpr int IDS_PROJECT_INCOMPLETE = 4140;     // the rebuilt project left entries out
constexpr int IDS_SITEMAP_FROM_CONTENTS = 4145;  // a .hhc rebuilt from #TOCIDX: name, entries
constexpr int IDS_SITEMAP_FROM_INDEX = 4146;     // a .hhk rebuilt from the keyword tree
// Create-ITS lines of this program's own.
constexpr int IDS_ITS_NAME_CLIMBS = 4160;   // a listed name with ".." stored under another
constexpr int IDS_ITS_LINK_OUTSIDE = 4161;  // a link leading out of the folder, skipped
constexpr int IDS_ITS_NOT_STORED = 4162;    // a file read or written only in part
// The help registry editors' messages of this program's own.
constexpr int IDS_WINE_SERVER_RUNNING = 4170;       // the prefix's wine server owns its hives
constexpr int IDS_NOT_A_WINE_PREFIX = 4171;         // a folder without system.reg and dosdevices
constexpr int IDS_REGISTRY_NAMES_FAILED = 4172;     // 4054's text, then the names not saved
constexpr int IDS_REGISTRY_FILE_UNREADABLE = 4173;  // a hive file the program works on without
// Folders a walk could not open, skipped and counted.
constexpr int IDS_FOLDERS_SKIPPED = 4180;     // the finders: how many
constexpr int IDS_ITS_FOLDER_SKIPPED = 4181;  // create-ITS folder mode: which one

// The compiler's messages; the id is the number shown with a warning or error.
constexpr int IDS_COMPILE_WARNING = 4400;  // "警告"
constexpr int IDS_COMPILE_ERROR = 4401;    // "错误"
constexpr int IDS_COMPILE_NO_PROJECT = 4402;
constexpr int IDS_COMPILE_CANNOT_WRITE = 4403;
constexpr int IDS_COMPILE_FILE_MISSING = 4404;
constexpr int IDS_COMPILE_FILE_UNREADABLE = 4405;
constexpr int IDS_COMPILE_UNKNOWN_OPTION = 4406;
constexpr int IDS_COMPILE_BAD_ALIAS = 4408;
constexpr int IDS_COMPILE_ALIAS_NOT_IN_PROJECT = 4409;
constexpr int IDS_COMPILE_DUPLICATE_MAP = 4410;
constexpr int IDS_COMPILE_BAD_WINDOW = 4411;
constexpr int IDS_COMPILE_SECTION_IGNORED = 4412;
constexpr int IDS_COMPILE_BAD_DEFINE = 4413;
constexpr int IDS_COMPILE_NO_FILES = 4414;
constexpr int IDS_COMPILE_DONE = 4415;      // "已编译“%s”:"
constexpr int IDS_COMPILE_COUNTS = 4416;    // three inserts, filled one after another
constexpr int IDS_COMPILE_PROBLEMS = 4417;  // two inserts
constexpr int IDS_COMPILE_UNKNOWN_WINDOW = 4418;
constexpr int IDS_COMPILE_FAILED = 4419;
constexpr int IDS_COMPILE_NESTED_TOO_DEEP = 4430;  // a sitemap's lists beyond the depth limit
// Outputs that would overwrite what the run reads or lie outside the project,
// and inputs read from outside it or only in part (compile and create-its).
constexpr int IDS_OUTPUT_IS_INPUT = 4440;         // an output naming a file the run reads
constexpr int IDS_OUTPUT_OUTSIDE_PROJECT = 4441;  // a project option naming a file elsewhere
constexpr int IDS_LOG_OUTSIDE_PROJECT = 4442;     // the error log refused; the run goes on
constexpr int IDS_LOG_IS_INPUT = 4443;            // likewise, a log naming an input or the output
constexpr int IDS_READ_OUTSIDE_PROJECT = 4444;    // a file read from outside the project folder
constexpr int IDS_READ_INCOMPLETE = 4445;         // a file that ended before its size
constexpr int IDS_READ_NO_MEMORY = 4446;          // no memory to hold a file
constexpr int IDS_LOG_CANNOT_WRITE = 4447;        // the error log could not be written

// Saving the results box to a file (command 1018).
constexpr int IDS_RESULTS_FILE_FILTER = 4450;  // Qt's form: "name (*.ext);;..."

constexpr int IDS_VERSION = 20480;  // "Wrenlow 1.0.8312.0"
constexpr int IDS_OUT_OF_MEMORY = 20481;
constexpr int IDS_CANNOT_OPEN = 20482;         // "不能打开“%s”。"
constexpr int IDS_CANNOT_FIND_FILE = 20736;    // uses "%1", not "%s"
constexpr int IDS_HH_BUTTON_CAPTIONS = 20737;  // "主页|后退|前进|打印|关闭|文本"
constexpr int IDS_BAD_HELP_FILE = 20997;
constexpr int IDS_CHM_FILTER_DEFAULT = 20998;
constexpr int IDS_PROGRESS_TITLE = 20999;  // "进度栏"
constexpr int IDS_CANCEL = 21000;          // "取消"

// The reading window: its navigation tabs and their controls.
constexpr int IDS_READER_CONTENTS = 21100;
constexpr int IDS_READER_INDEX = 21101;
constexpr int IDS_READER_SEARCH = 21102;
constexpr int IDS_READER_FAVORITES = 21103;
constexpr int IDS_READER_KEYWORD_PROMPT = 21104;
constexpr int IDS_READER_SEARCH_PROMPT = 21105;
constexpr int IDS_READER_LIST_TOPICS = 21106;
constexpr int IDS_READER_TITLES_ONLY = 21107;
constexpr int IDS_READER_SIMILAR_WORDS = 21108;
constexpr int IDS_READER_TOPICS_FOUND = 21109;  // one insert: the count
constexpr int IDS_READER_NO_SEARCH_INDEX = 21110;
constexpr int IDS_READER_ADD = 21111;
constexpr int IDS_READER_REMOVE = 21112;
constexpr int IDS_READER_FIND = 21113;
constexpr int IDS_READER_CHOOSE_TOPIC = 21114;
constexpr int IDS_READER_SCANNING = 21115;
constexpr int IDS_READER_TOPICS_TITLE = 21116;
constexpr int IDS_READER_DISPLAY = 21117;
constexpr int IDS_READER_TOPIC_COLUMN = 21118;
constexpr int IDS_READER_PLACE_COLUMN = 21119;
constexpr int IDS_READER_HIDE_PANE = 21120;
constexpr int IDS_READER_SHOW_PANE = 21121;

// ---------------------------------------------------------------------------
// Help topics of the program's own help file
// ---------------------------------------------------------------------------
// Dialog topics (the "提示(&T)..." buttons and tip panels).
constexpr int IDH_DECOMPILE = 100;
constexpr int IDH_CREATE_ITS = 110;  // the create-ITS dialog's help panel
constexpr int IDH_HTMLHELP_REGISTRY = 200;
constexpr int IDH_MISSING_FILES = 201;
constexpr int IDH_WINHELP_REGISTRY = 202;
constexpr int IDH_EDIT_REGISTRY = 225;
constexpr int IDH_RECOMPILE = 300;
constexpr int IDH_RECOMPILE_SOURCE = 301;
constexpr int IDH_RECOMPILE_TARGET = 302;
constexpr int IDH_RECOMPILE_BROWSE_SOURCE = 303;
constexpr int IDH_RECOMPILE_BROWSE_TARGET = 304;
constexpr int IDH_RECOMPILE_COLLECTION = 305;
constexpr int IDH_RECOMPILE_BINARY_INDEX = 306;
constexpr int IDH_RECOMPILE_BINARY_CONTENTS = 307;
constexpr int IDH_ABOUT = 400;
constexpr int IDH_WELCOME = 401;
constexpr int IDH_START_PAGE = 402;
constexpr int IDH_HTMLHELP_COMPONENTS = 450;
constexpr int IDH_WINHELP_COMPONENTS = 451;
constexpr int IDH_HTMLHELP_FILES = 452;
constexpr int IDH_WINHELP_FILES = 453;
constexpr int IDH_VIEWER = 454;

// Pop-up topics of single controls (F1 and the context menu).
// Decompile dialog.
constexpr int IDH_POPUP_DECOMPILE_SOURCE = 101;
constexpr int IDH_POPUP_DECOMPILE_TARGET = 102;
constexpr int IDH_POPUP_DECOMPILE_BROWSE_SOURCE = 103;
constexpr int IDH_POPUP_DECOMPILE_BROWSE_TARGET = 104;
constexpr int IDH_POPUP_DECOMPILE_PROJECT = 105;
// Component and help file finder: list, explore, delete per mode; tips and close shared.
constexpr int IDH_POPUP_COMPONENTS_LIST = 120;
constexpr int IDH_POPUP_COMPONENTS_EXPLORE = 121;
constexpr int IDH_POPUP_COMPONENTS_DELETE = 122;
constexpr int IDH_POPUP_FINDER_TIPS = 123;
constexpr int IDH_POPUP_FINDER_CLOSE = 124;
constexpr int IDH_POPUP_WINHELP_COMPONENTS_LIST = 125;
constexpr int IDH_POPUP_WINHELP_COMPONENTS_EXPLORE = 126;
constexpr int IDH_POPUP_WINHELP_COMPONENTS_DELETE = 127;
constexpr int IDH_POPUP_HTMLHELP_FILES_LIST = 128;
constexpr int IDH_POPUP_HTMLHELP_FILES_EXPLORE = 129;
constexpr int IDH_POPUP_HTMLHELP_FILES_DELETE = 130;
constexpr int IDH_POPUP_WINHELP_FILES_LIST = 131;
constexpr int IDH_POPUP_WINHELP_FILES_EXPLORE = 132;
constexpr int IDH_POPUP_WINHELP_FILES_DELETE = 133;
// Viewer.
constexpr int IDH_POPUP_VIEWER_TREE = 150;
constexpr int IDH_POPUP_VIEWER_NEWFILE = 151;
constexpr int IDH_POPUP_VIEWER_CLOSE = 152;
constexpr int IDH_POPUP_VIEWER_TIPS = 153;
// Help registry editor.
constexpr int IDH_POPUP_REG_LIST = 170;
constexpr int IDH_POPUP_REG_DELETE = 171;
constexpr int IDH_POPUP_REG_ADD = 172;
constexpr int IDH_POPUP_REG_SAVE = 173;
constexpr int IDH_POPUP_REG_CANCEL = 174;
constexpr int IDH_POPUP_REG_TIPS = 175;
constexpr int IDH_POPUP_REG_CHANGE = 176;
// Edit registry entry.
constexpr int IDH_POPUP_EDITREG_NAME = 226;
constexpr int IDH_POPUP_EDITREG_FOLDER = 227;
constexpr int IDH_POPUP_EDITREG_BROWSE = 228;
