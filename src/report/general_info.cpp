// The General Information page: the #SYSTEM facts, then two sections that
// open and close with a click, the window defaults and the window types.
#include "chmfiles/system_file.h"
#include "chmfiles/topic_tables.h"
#include "its/text_file.h"
#include "report/report_pages.h"

namespace {

// Clicking a caption or its arrow (class "Outline") swaps the collapsed line
// (id + "Arrow") for the opened block (id + "details") and back; both carry
// the same ids so one handler serves both.
constexpr const char* kOutlineFunction =
    "function clickHandler() {\r\n"
    "  var source = window.event.srcElement;\r\n"
    "  if (source.className != \"Outline\") return;\r\n"
    "  var names = [\"details\", \"Arrow\"];\r\n"
    "  for (var i = 0; i < names.length; i++) {\r\n"
    "    var part = document.getElementById(source.id + names[i]);\r\n"
    "    if (part) part.style.display = part.style.display == \"none\" ? \"\" : \"none\";\r\n"
    "  }\r\n"
    "}\r\n"
    "document.onclick = clickHandler;\r\n";

// The script block that opens the page. It carries the page's nonce: the
// page's policy runs no other script.
std::string outlineScript(const std::string& nonce) {
  return "<HTML><BODY>\r\n<SCRIPT nonce=\"" + nonce + "\">\r\n" + kOutlineFunction + "</SCRIPT>";
}

// The nine lines of a section header: the collapsed line, then the opened
// block with its inner list. The arrows are drawn as triangles of the text
// font (the pages may be shown where no symbol font is installed).
std::string sectionHeader(const char* id, const char* caption) {
  const std::string n = id;
  auto arrow = [&](const char* glyph) {
    return "<SPAN id=" + n + " class=Outline style=\"cursor:pointer; color:gray; " +
           "font-size:larger\">" + glyph + "&nbsp;</SPAN>";
  };
  const std::string title =
      "<U id=" + n + " class=Outline style=\"cursor:pointer\">" + caption + "</U>";
  return "<DIV id=" + n + "Arrow style=\"position:relative; \">\r\n" +  //
         "    " + arrow("\xE2\x96\xB6") + "\r\n" +                      // ▶
         title + "\r\n" +                                               //
         "</DIV>\r\n" +                                                 //
         "<DIV id=" + n + "details style=\"display:None; position:relative;\">\r\n" + "    " +
         arrow("\xE2\x96\xBC") + "\r\n" +  // ▼
         "    " + title + "\r\n" +         //
         "    <DIV style=\"position:relative; left:30\">\r\n" + "<DL>";
}

}  // namespace

PageResult ReportPages::generalInfo() {
  TextFile file;
  PageResult result;
  const std::string nonce = newScriptNonce();
  if (!create(file, kGeneralInfoPage, result, PageType::kHtml, nonce))
    return result;  // nothing is shown
  std::string out = outlineScript(nonce);
  out += "\r\n<H1>常规信息</H1><P>\r\n";

  std::vector<std::string> defaults;  // the window-defaults lines, in file order
  SystemStream records;
  TopicLookup lookup(root_);
  if (records.open(root_)) {
    out += "<DL><DT>CHM 文件版本: " + std::to_string(records.version()) + "</DT>\r\n";
    std::uint16_t code = 0, length = 0;
    while (records.next(code, length)) {
      const Bytes data = records.readData();
      const char* label = nullptr;
      switch (code) {
        case kSysContentsFile:
          label = "<DT>目录: ";
          break;
        case kSysIndexFile:
          label = "<DT>索引: ";
          break;
        case kSysDefaultTopic:
          label = "<DT>HTML 文件: ";
          break;
        case kSysTitle:
          label = "<DT>窗口标题: ";
          break;
        case kSysDefaultWindow:
          label = "<DT>窗口类型: ";
          break;
        case kSysFlags: {
          const SystemFlags f = decodeSystemFlags(data);
          if (f.dbcs) out += "<DT>DBCS: 是</DT>\r\n";
          if (f.fullTextSearch) out += "<DT>全文本搜索: 是</DT>\r\n";
          break;
        }
        case kSysCompilerVersion: {
          const std::string version = recordText(data);
          out += "<DT>编译器版本: " + html(version) + releaseSuffix(version) + "</DT>\r\n";
          break;
        }
        case kSysTimeStamp:
          out +=
              "<DT>创建日期: " + formatHelpTime(stampToUnixTime(recordValue(data))) + "</DT>\r\n";
          break;
        case kSysInfoTypeCount:
          if (recordValue(data))
            out += "<DT>信息类型数: " + std::to_string(recordValue(data)) + "</DT>\r\n";
          break;
        case kSysDefaultFont:
          out += "<DT>默认字体: " + html(recordText(data)) + "</DT>\r\n";
          break;
        case kSysMergePrompt:
          out += std::string("<DT>当合并时 ") + mergePromptText(recordValue(data)) + "</DT>\r\n";
          break;
        default:
          break;
      }
      if (label) defaults.push_back(label + html(recordText(data)) + "</DT>");
    }
    out += "</DL><P>";
  }
  if (!defaults.empty()) {
    out += sectionHeader("Out1", "窗口默认") + "\r\n";
    for (const std::string& line : defaults) out += line + "\r\n";
    out += "</DL></DIV></DIV>";
  }
  bool found = false;
  const std::vector<WindowTypeEntry> entries = readWindowTypes(root_, &found);
  if (found) {
    out += sectionHeader("Out2", "窗口类型") + "\r\n";
    for (const WindowTypeEntry& w : entries) windowBlock(w, lookup, out);
    out += "</DL></DIV></DIV></BODY></HTML>";
  }
  file.write(out);
  // Without a window-type section the page ends without closing tags.
  return finish(file, result, nullptr);
}
