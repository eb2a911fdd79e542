// wrenlow-cli info: a plain-text dump of what the table readers decode from a
// compiled help file, with its texts converted to UTF-8 (or left as the
// file's bytes with --raw).
#include <clocale>
#include <cstdio>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "chmfiles/help_code_page.h"
#include "chmfiles/ivb_idxhdr.h"
#include "chmfiles/system_file.h"
#include "chmfiles/topic_tables.h"
#include "chmfiles/windows_file.h"
#include "cli/command.h"
#include "common/messages.h"
#include "common/string_utils.h"
#include "its/its_storage.h"
#include "platform/itss/com_ptr.h"
#include "platform/system/codepage.h"

namespace cli {
namespace {

constexpr unsigned kMsgCannotOpen = 20482;  // "不能打开“%s”。"

struct Record {
  std::uint16_t code;
  std::vector<std::uint8_t> data;
  Bytes bytes() const { return Bytes(data.data(), data.size()); }
};

class InfoDump {
 public:
  InfoDump(ItsStorage& storage, bool raw) : root_(storage.root()), lookup_(root_), raw_(raw) {}

  void run(const std::string& path) {
    const bool hasSystem = loadSystem();
    codePage_ = helpFileCodePage(root_);
    line("文件: " + path);
    if (!raw_) line("代码页: " + std::to_string(codePage_));
    if (hasSystem) dumpSystem();
    dumpIdxHeader();
    dumpWindows();
    dumpAliases();
    dumpTopics();
    dumpListing("#URLSTR", true);
    dumpListing("#STRINGS", false);
  }

 private:
  std::string text(const std::string& bytes) const {
    return raw_ ? bytes : helpTextToUtf8(bytes, codePage_);
  }
  static void line(const std::string& s) {
    std::fwrite(s.data(), 1, s.size(), stdout);
    std::fputc('\n', stdout);
  }
  static std::string hex(std::uint32_t v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%X", v);
    return buf;
  }

  bool loadSystem() {
    SystemStream stream;
    if (!stream.open(root_)) return false;
    version_ = stream.version();
    std::uint16_t code = 0, length = 0;
    while (stream.next(code, length)) {
      Bytes data = stream.readData();
      records_.push_back(Record{code, std::vector<std::uint8_t>(data.begin(), data.end())});
    }
    return true;
  }

  void dumpSystem() {
    line("");
    line("[#SYSTEM]");
    line("CHM 文件版本: " + std::to_string(version_));
    for (const Record& r : records_) {
      const char* label = systemRecordLabel(r.code);
      if (isTextRecord(r.code)) {
        std::string value = text(recordText(r.bytes()));
        if (r.code == kSysCompilerVersion) value += releaseSuffix(recordText(r.bytes()));
        line(std::string(label) + ": " + value);
        continue;
      }
      switch (r.code) {
        case kSysFlags: {
          const SystemFlags f = decodeSystemFlags(r.bytes());
          line("LCID: " + std::to_string(f.lcid) + " (" + hex(f.lcid) + ")");
          line(std::string("DBCS: ") + (f.dbcs ? "是" : "否"));
          line(std::string("全文本搜索: ") + (f.fullTextSearch ? "是" : "否"));
          line(std::string("KLinks: ") + (f.klinks ? "是" : "否"));
          line(std::string("ALinks: ") + (f.alinks ? "是" : "否"));
          line("创建日期 (系统标志): " + formatHelpTime(fileTimeToUnixTime(f.creationTime)));
          if (!f.complete) line("  (记录只有 " + std::to_string(r.data.size()) + " 字节)");
          break;
        }
        case kSysTimeStamp:
          line(std::string(label) + ": " + formatHelpTime(stampToUnixTime(recordValue(r.bytes()))));
          break;
        case kSysInfoTypeCount:
        case kSysInfoTypeChecksum:
          if (recordValue(r.bytes()))
            line(std::string(label) + ": " + std::to_string(recordValue(r.bytes())));
          break;
        case kSysMergePrompt:
          line(std::string(label) + ": " + mergePromptText(recordValue(r.bytes())));
          break;
        case kSysIdxHeader:
          idxHeaderRecord_ = &r;
          break;
        case kSysBinaryIndex:
          line("二进制索引: " + hex(recordValue(r.bytes())));
          break;
        case kSysBinaryToc:
          line("二进制目录: " + hex(recordValue(r.bytes())));
          break;
        default:
          line("代码 " + std::to_string(r.code) + ": " + std::to_string(r.data.size()) + " 字节");
          break;
      }
    }
  }

  void dumpIdxHeader() {
    std::vector<std::uint8_t> file;
    Bytes header;
    const char* source = "#IDXHDR";
    if (readStream("#IDXHDR", file) && file.size() >= 16) {
      header = Bytes(file.data(), std::min<std::size_t>(file.size(), kIdxHeaderSize));
    } else if (idxHeaderRecord_) {
      header = idxHeaderRecord_->bytes();
      source = "#SYSTEM 代码 13";
    } else {
      return;
    }
    const IdxHeader h = decodeIdxHeader(header);
    line("");
    line(std::string("[") + source + "]");
    line("主题节点数: " + std::to_string(h.topicNodes));
    if (h.mergeCount == 0) return;
    line("合并文件: " + std::to_string(h.mergeCount));
    for (std::uint32_t offset : h.mergeFiles)
      line("  " + text(lookup_.text(offset, kMergeTextLimit)));
  }

  void dumpWindows() {
    bool found = false;
    const std::vector<WindowTypeEntry> types = readWindowTypes(root_, &found);
    if (!found) return;
    line("");
    line("[#WINDOWS] " + std::to_string(types.size()));
    for (const WindowTypeEntry& w : types) {
      line("窗口类型: " + (w.name ? text(lookup_.text(w.name)) : std::string()));
      const std::pair<const char*, std::uint32_t> strings[] = {
          {"标题", w.caption},         {"目录", w.contentsFile},     {"索引", w.indexFile},
          {"默认主题", w.defaultFile}, {"主页", w.homeFile},         {"跳转 1 文本", w.jump1Text},
          {"跳转 1 主题", w.jump1Url}, {"跳转 2 文本", w.jump2Text}, {"跳转 2 主题", w.jump2Url}};
      for (const auto& [label, offset] : strings)
        if (offset) line(std::string("  ") + label + ": " + text(lookup_.text(offset)));
      if (w.validMembers & kWinValidButtons) line("  按钮: " + windowButtonNames(w.buttons));
      if (w.validMembers && !w.position.empty())
        line("  位置: 左侧: " + std::to_string(static_cast<std::uint32_t>(w.position.left)) +
             ", 顶部: " + std::to_string(static_cast<std::uint32_t>(w.position.top)) +
             ", 宽度: " + std::to_string(static_cast<std::uint32_t>(w.position.right)) +
             ", 高度: " + std::to_string(static_cast<std::uint32_t>(w.position.bottom)));
      if (w.validMembers & kWinValidProperties)
        line("  属性: " + windowPropertyNames(w.properties));
      if (w.navWidth) line("  导航窗格宽度: " + std::to_string(w.navWidth));
    }
  }

  void dumpAliases() {
    std::vector<MapEntry> entries;
    if (itss::FAILED(readIvb(root_, entries))) return;
    line("");
    line("[ALIAS] 节 (#IVB) " + std::to_string(entries.size()));
    for (const MapEntry& e : entries)
      line(std::to_string(e.topic) + " = " + text(lookup_.text(e.file)));
  }

  void dumpTopics() {
    std::vector<TopicEntry> topics;
    if (!readTopics(root_, topics)) return;
    line("");
    line("[#TOPICS] " + std::to_string(topics.size()));
    for (const TopicEntry& t : topics) {
      const TopicText joined = joinTopic(t, lookup_);
      line("标题: " + text(joined.title));
      line("  链接: " + text(joined.link));
    }
  }

  void dumpListing(const char* name, bool urlStr) {
    TableSource source(root_, name);
    if (!source.available()) return;
    line("");
    line(std::string("[") + name + "]");
    auto print = [&](const std::string& t) { line(text(t)); };
    if (urlStr)
      listUrlStr(source, print);
    else
      listStrings(source, print);
  }

  bool readStream(const char* name, std::vector<std::uint8_t>& out) {
    itss::ComPtr<itss::IStream> stream;
    if (itss::FAILED(root_->OpenStream(name, nullptr, itss::STGM_READWRITE, 0, stream.put())))
      return false;
    out.resize(kIdxHeaderSize);
    itss::ULONG got = 0;
    if (itss::FAILED(stream->Read(out.data(), static_cast<itss::ULONG>(out.size()), &got)))
      return false;
    out.resize(got);
    return true;
  }

  itss::IStorage* root_;
  TopicLookup lookup_;
  bool raw_;
  unsigned codePage_ = 1252;
  std::uint32_t version_ = 0;
  std::vector<Record> records_;
  const Record* idxHeaderRecord_ = nullptr;
};

int runInfo(const Args& args);
const CliCommand info("info", "info [--raw] FILE",
                      "dump the internal tables of a compiled help file as text", runInfo);

int runInfo(const Args& args) {
  bool raw = false;
  std::string path;
  for (const std::string& a : args) {
    if (a == "--raw")
      raw = true;
    else if (path.empty())
      path = a;
    else
      return usageError(info);
  }
  if (path.empty()) return usageError(info);
  std::setlocale(LC_TIME, "");  // dates in the user's own form
  ItsStorage storage;
  if (itss::FAILED(storage.open(path.c_str()))) {
    ShowFormattedMessage(kMsgCannotOpen, path, MB_ICONWARNING);
    return 1;
  }
  InfoDump(storage, raw).run(path);
  std::fflush(stdout);
  storage.close();
  return 0;
}

}  // namespace
}  // namespace cli
