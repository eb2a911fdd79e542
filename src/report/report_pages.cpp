// The pages of the internal tables: #STRINGS, #URLSTR, #IVB, #IDXHDR,
// #SYSTEM, #WINDOWS and #TOPICS.
#include "report/report_pages.h"

#include <unistd.h>

#include <utility>

#include "chmfiles/help_code_page.h"
#include "chmfiles/ivb_idxhdr.h"
#include "chmfiles/system_file.h"
#include "chmfiles/topic_tables.h"
#include "common/random_text.h"
#include "common/string_utils.h"
#include "its/text_file.h"
#include "platform/itss/com_ptr.h"
#include "platform/system/sysdirs.h"

namespace {
constexpr const char* kPageEnd = "</DL></BODY></HTML>";
constexpr const char* kUtf8Mark = "\xEF\xBB\xBF";
}  // namespace

std::string reportPagePolicy(std::string_view nonce) {
  std::string policy = "default-src 'none'; script-src ";
  policy += nonce.empty() ? std::string("'none'") : "'nonce-" + std::string(nonce) + "'";
  policy += "; style-src 'unsafe-inline'; base-uri 'none'; form-action 'none'";
  return policy;
}

std::string newScriptNonce() { return RandomHex(16); }

std::string internalPageName(std::string_view internalPath, std::string_view suffix) {
  std::string name(internalPath);
  for (char& c : name)
    if (c == '\\' || c == '/') c = '_';
  name += suffix;
  return name;
}

ReportPages::ReportPages(itss::IStorage* root, std::string helpPath, std::string folder)
    : root_(root), helpPath_(std::move(helpPath)), folder_(std::move(folder)) {
  if (folder_.empty()) folder_ = sysdirs::tempFolder();
  if (!folder_.empty() && folder_.back() != '/') folder_ += '/';
  codePage_ = root_ ? helpFileCodePage(root_) : 1252;
}

ReportPages::~ReportPages() = default;

void ReportPages::reset(itss::IStorage* root, std::string helpPath) {
  root_ = root;
  helpPath_ = std::move(helpPath);
  codePage_ = root_ ? helpFileCodePage(root_) : 1252;
}

void ReportPages::deleteTempPages() {
  for (const std::string& page : tempPages_) ::unlink(page.c_str());
  tempPages_.clear();
}

std::string ReportPages::text(const std::string& bytes) const {
  return helpTextToUtf8(bytes, codePage_);
}

std::string ReportPages::html(const std::string& bytes) const { return HtmlEscape(text(bytes)); }

bool ReportPages::create(TextFile& file, const std::string& name, PageResult& result, PageType type,
                         std::string_view nonce) {
  // Without a private folder there is nowhere safe to write.
  if (folder_.empty()) return false;
  result.path = folder_ + name;
  // The folder is the program's own; the page shown before under this name
  // goes, and whatever is found there now is not written through.
  ::unlink(result.path.c_str());
  if (!file.createNew(result.path)) return false;
  tempPages_.push_back(result.path);
  file.write(kUtf8Mark);
  // First in the page, before any text from the file: the parser puts it
  // in the head, where the policy holds for everything after it.
  if (type == PageType::kHtml)
    file.write("<META http-equiv=\"Content-Security-Policy\" content=\"" + reportPagePolicy(nonce) +
               "\">");
  return true;
}

// Finishes a page: its closing text, then whether it could be written whole.
PageResult ReportPages::finish(TextFile& file, PageResult result, const char* closing) {
  if (closing) file.write(closing);
  result.outcome = file.close() ? PageOutcome::kShow : PageOutcome::kBinaryFile;
  return result;
}

PageResult ReportPages::binaryFile(PageResult result) {
  result.outcome = PageOutcome::kBinaryFile;
  return result;
}

PageResult ReportPages::listing(const char* stream, const char* heading, bool urlStr) {
  TableSource source(root_, stream);
  if (!source.available()) return binaryFile();
  TextFile file;
  PageResult result;
  if (!create(file, urlStr ? kUrlStrPage : kStringsPage, result)) return binaryFile(result);
  file.write(heading);
  file.write("\r\n");
  auto entry = [&](const std::string& t) {
    file.write("<DT>");
    file.write(html(t));
    file.write("</DT>\r\n");
  };
  if (urlStr)
    listUrlStr(source, entry);
  else
    listStrings(source, entry);
  return finish(file, result, kPageEnd);
}

PageResult ReportPages::strings() {
  return listing("#STRINGS", "<HTML><BODY><H1>#STRINGS</H1><P><DL>", false);
}

PageResult ReportPages::urlStr() {
  return listing("#URLSTR", "<HTML><BODY><H1>#URLSTR</H1><P><DL>", true);
}

PageResult ReportPages::ivb() {
  std::vector<MapEntry> entries;
  if (itss::FAILED(readIvb(root_, entries))) return binaryFile();
  TextFile file;
  PageResult result;
  if (!create(file, kIvbPage, result)) return binaryFile(result);
  file.write("<HTML><BODY><H1>[ALIAS] 节 (#IVB)</H1><P><DL>\r\n");
  TopicLookup lookup(root_);
  for (const MapEntry& e : entries) {
    // Topic numbers are written unsigned: 2^31 and above stay positive.
    file.write("<DT>" + std::to_string(e.topic) + " = " + html(lookup.text(e.file)) + "</DT>\r\n");
  }
  return finish(file, result, kPageEnd);
}

PageResult ReportPages::idxHeader() {
  itss::ComPtr<itss::IStream> stream;
  if (itss::FAILED(root_->OpenStream("#IDXHDR", nullptr, itss::STGM_READWRITE, 0, stream.put())))
    return binaryFile();
  std::string header(kIdxHeaderSize, '\0');
  itss::ULONG got = 0;
  if (itss::FAILED(stream->Read(header.data(), kIdxHeaderSize, &got)) || got != kIdxHeaderSize)
    return binaryFile();
  TextFile file;
  PageResult result;
  if (!create(file, kIdxHdrPage, result)) return binaryFile(result);
  std::string out = "<HTML><BODY><H1>#IDXHDR</H1><P><DL>\r\n";
  TopicLookup lookup(root_);
  renderIdxHeader(Bytes(reinterpret_cast<const std::uint8_t*>(header.data()), header.size()),
                  lookup, out, [this](const std::string& t) { return html(t); });
  file.write(out);
  return finish(file, result, kPageEnd);
}

PageResult ReportPages::system() {
  SystemStream records;
  if (!records.open(root_)) return binaryFile();
  TextFile file;
  PageResult result;
  if (!create(file, kSystemPage, result)) return binaryFile(result);
  std::string out = "<HTML><BODY><H1>#SYSTEM</H1><P><DL>\r\n";
  out += "<DT>CHM 文件版本 " + std::to_string(records.version()) + "</DT>\r\n";
  TopicLookup lookup(root_);
  std::uint16_t code = 0, length = 0;
  while (records.next(code, length)) {
    const Bytes data = records.readData();
    const char* prefix = nullptr;
    switch (code) {
      case kSysContentsFile:
        prefix = "<DT>默认目录: ";
        break;
      case kSysIndexFile:
        prefix = "<DT>默认索引: ";
        break;
      case kSysDefaultTopic:
        prefix = "<DT>默认 HTML 文件: ";
        break;
      case kSysTitle:
        prefix = "<DT>默认窗口标题: ";
        break;
      case kSysDefaultWindow:
        prefix = "<DT>默认窗口: ";
        break;
      case kSysShortName:
        prefix = "<DT>短名称: ";
        break;
      case kSysCompilerVersion:
        prefix = "<DT>编译器版本: ";
        break;
      case kSysDefaultFont:
        prefix = "<DT>默认字体: ";
        break;
      case kSysFlags: {
        const SystemFlags f = decodeSystemFlags(data);
        out += "<DT>LCID: " + std::to_string(f.lcid) + "</DT>\r\n";
        if (f.dbcs) out += "<DT>DBCS: 是</DT>\r\n";
        if (f.fullTextSearch) out += "<DT>全文本搜索: 是</DT>\r\n";
        if (f.klinks) out += "<DT>KLinks: 是</DT>\r\n";
        if (f.alinks) out += "<DT>ALinks: 是</DT>\r\n";
        out += "<DT>创建日期 (系统标志): " + formatHelpTime(fileTimeToUnixTime(f.creationTime)) +
               "</DT>\r\n";
        break;
      }
      case kSysTimeStamp:
        out += "<DT>创建日期 (时间标签): " + formatHelpTime(stampToUnixTime(recordValue(data))) +
               "</DT>\r\n";
        break;
      case kSysInfoTypeCount:
        if (recordValue(data))
          out += "<DT>信息类型数: " + std::to_string(recordValue(data)) + "</DT>\r\n";
        break;
      case kSysIdxHeader:
        renderIdxHeader(data, lookup, out, [this](const std::string& t) { return html(t); });
        break;
      case kSysInfoTypeChecksum:
        if (recordValue(data))
          out += "<DT>信息类型检查和: " + std::to_string(recordValue(data)) + "</DT>\r\n";
        break;
      case kSysMergePrompt:
        out += std::string("<DT>当合并时 ") + mergePromptText(recordValue(data)) + "</DT>\r\n";
        break;
      default:
        break;
    }
    if (prefix) out += prefix + html(recordText(data)) + "</DT>\r\n";
  }
  file.write(out);
  return finish(file, result, kPageEnd);
}

void ReportPages::windowBlock(const WindowTypeEntry& w, TopicLookup& lookup,
                              std::string& out) const {
  if (w.name) out += "<DT>" + html(lookup.text(w.name)) + "</DT>";
  const std::pair<const char*, std::uint32_t> fields[] = {
      {"<DD>标题: ", w.caption},         {"<DD>目录: ", w.contentsFile},
      {"<DD>索引: ", w.indexFile},       {"<DD>默认主题: ", w.defaultFile},
      {"<DD>主页: ", w.homeFile},        {"<DD>跳转 1 文本: ", w.jump1Text},
      {"<DD>跳转 1 主题: ", w.jump1Url}, {"<DD>跳转 2 文本: ", w.jump2Text},
      {"<DD>跳转 2 主题: ", w.jump2Url}};
  for (const auto& [prefix, offset] : fields)
    if (offset) out += prefix + html(lookup.text(offset)) + "</DD>";
  if (w.validMembers & kWinValidButtons)
    out += "<DD>按钮: " + windowButtonNames(w.buttons) + "</DD>\r\n";
  if (w.validMembers && !w.position.empty()) {
    auto u = [](std::int32_t v) { return std::to_string(static_cast<std::uint32_t>(v)); };
    out += "<DD>位置: 左侧: " + u(w.position.left) + ", 顶部: " + u(w.position.top) +
           ", 宽度: " + u(w.position.right) + ", 高度: " + u(w.position.bottom) + "</DD>\r\n";
  }
  if (w.validMembers & kWinValidProperties)
    out += "<DD>属性: " + windowPropertyNames(w.properties) + "</DD>\r\n";
  if (w.navWidth) out += "<DD>导航窗格宽度: " + std::to_string(w.navWidth) + "</DD>\r\n";
}

PageResult ReportPages::windows() {
  bool found = false, complete = false;
  const std::vector<WindowTypeEntry> entries = readWindowTypes(root_, &found, &complete);
  if (!found) return binaryFile();
  TextFile file;
  PageResult result;
  if (!create(file, kWindowsPage, result)) return binaryFile(result);
  std::string out = "<HTML><BODY><H1>#WINDOWS</H1><P><DL>\r\n";
  TopicLookup lookup(root_);
  for (const WindowTypeEntry& w : entries) windowBlock(w, lookup, out);
  file.write(out);
  if (!complete) {
    // An entry cut short: the page stops there and is not shown.
    file.close();
    result.outcome = PageOutcome::kNothing;
    return result;
  }
  return finish(file, result, kPageEnd);
}

PageResult ReportPages::topics() {
  itss::ComPtr<itss::IStream> probe;
  if (itss::FAILED(root_->OpenStream("#TOPICS", nullptr, itss::STGM_READWRITE, 0, probe.put())))
    return binaryFile();
  probe.reset();
  TextFile file;
  PageResult result;
  if (!create(file, kTopicsPage, result)) return binaryFile(result);
  file.write("<HTML><BODY><H1>#TOPICS</H1><P><DL>\r\n");
  std::vector<TopicEntry> entries;
  if (!readTopics(root_, entries)) {
    file.close();  // stays in the temp page list
    return binaryFile(result);
  }
  TopicLookup lookup(root_);
  for (const TopicEntry& t : entries) {
    const TopicText joined = joinTopic(t, lookup);
    file.write("<DT>标题: ");
    file.write(html(joined.title));
    file.write("</DT>\r\n<DD>链接: ");
    file.write(html(joined.link));
    file.write("</DD>\r\n");
  }
  return finish(file, result, kPageEnd);
}
