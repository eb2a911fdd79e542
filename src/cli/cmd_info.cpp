// wrenlow-cli info: a plain-text dump of what the table readers decode from a
// compiled help file, with its texts converted to UTF-8 (or left as the
// file's bytes with --raw), or the same as one JSON object with --json.
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
#include "cli/json_writer.h"
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
  // json: null for the text dump.
  InfoDump(ItsStorage& storage, bool raw, JsonWriter* json)
      : root_(storage.root()), lookup_(root_), raw_(raw), json_(json) {}

  void run(const std::string& path) {
    const bool hasSystem = loadSystem();
    codePage_ = helpFileCodePage(root_);
    if (json_) {
      json_->beginObject().key("file").value(path);
      if (!raw_) json_->key("codePage").number(codePage_);
    } else {
      line("文件: " + path);
      if (!raw_) line("代码页: " + std::to_string(codePage_));
    }
    if (hasSystem) json_ ? systemJson() : dumpSystem();
    dumpIdxHeader();
    dumpWindows();
    dumpAliases();
    dumpTopics();
    dumpListing("#URLSTR", true);
    dumpListing("#STRINGS", false);
    if (json_) json_->endObject();
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

  // "system": the version, each record in file order with its code, its
  // label, and its text, value or size; code 4 decoded as "flags".
  void systemJson() {
    JsonWriter& j = *json_;
    j.key("system").beginObject().key("version").number(version_);
    j.key("records").beginArray();
    for (const Record& r : records_) {
      j.beginObject().key("code").number(r.code);
      if (const char* label = systemRecordLabel(r.code)) j.key("label").value(label);
      if (isTextRecord(r.code)) {
        j.key("text").value(text(recordText(r.bytes())));
      } else if (r.code == kSysFlags) {
        const SystemFlags f = decodeSystemFlags(r.bytes());
        j.key("flags").beginObject().key("lcid").number(f.lcid).key("dbcs").flag(f.dbcs);
        j.key("fullTextSearch").flag(f.fullTextSearch).key("klinks").flag(f.klinks);
        j.key("alinks").flag(f.alinks);
        j.key("created").value(formatHelpTime(fileTimeToUnixTime(f.creationTime)));
        j.key("complete").flag(f.complete).endObject();
      } else if (r.code == kSysTimeStamp) {
        j.key("value").number(recordValue(r.bytes()));
        j.key("time").value(formatHelpTime(stampToUnixTime(recordValue(r.bytes()))));
      } else if (r.data.size() >= 4) {
        j.key("value").number(recordValue(r.bytes()));
      }
      if (r.code == kSysIdxHeader) idxHeaderRecord_ = &r;
      j.key("size").number(r.data.size()).endObject();
    }
    j.endArray().endObject();
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
    if (json_) {
      json_->key("idxhdr").beginObject().key("source").value(source);
      json_->key("topicNodes").number(h.topicNodes).key("mergeCount").number(h.mergeCount);
      json_->key("mergeFiles").beginArray();
      for (std::uint32_t offset : h.mergeFiles)
        json_->value(text(lookup_.text(offset, kMergeTextLimit)));
      json_->endArray().endObject();
      return;
    }
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
    if (json_) return windowsJson(types);
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

  void windowsJson(const std::vector<WindowTypeEntry>& types) {
    JsonWriter& j = *json_;
    j.key("windows").beginArray();
    for (const WindowTypeEntry& w : types) {
      j.beginObject().key("name").value(w.name ? text(lookup_.text(w.name)) : std::string());
      const std::pair<const char*, std::uint32_t> strings[] = {
          {"caption", w.caption},          {"contents", w.contentsFile}, {"index", w.indexFile},
          {"defaultTopic", w.defaultFile}, {"home", w.homeFile},         {"jump1Text", w.jump1Text},
          {"jump1Url", w.jump1Url},        {"jump2Text", w.jump2Text},   {"jump2Url", w.jump2Url}};
      for (const auto& [name, offset] : strings)
        if (offset) j.key(name).value(text(lookup_.text(offset)));
      j.key("validMembers").number(w.validMembers);
      if (w.validMembers & kWinValidButtons) j.key("buttons").value(windowButtonNames(w.buttons));
      if (w.validMembers && !w.position.empty()) {
        j.key("position").beginObject();
        j.key("left").number(static_cast<std::uint32_t>(w.position.left));
        j.key("top").number(static_cast<std::uint32_t>(w.position.top));
        j.key("width").number(static_cast<std::uint32_t>(w.position.right));
        j.key("height").number(static_cast<std::uint32_t>(w.position.bottom));
        j.endObject();
      }
      if (w.validMembers & kWinValidProperties)
        j.key("properties").value(windowPropertyNames(w.properties));
      if (w.navWidth) j.key("navWidth").number(w.navWidth);
      j.endObject();
    }
    j.endArray();
  }

  void dumpAliases() {
    std::vector<MapEntry> entries;
    if (itss::FAILED(readIvb(root_, entries))) return;
    if (json_) {
      json_->key("aliases").beginArray();
      for (const MapEntry& e : entries)
        json_->beginObject()
            .key("topic")
            .number(e.topic)
            .key("file")
            .value(text(lookup_.text(e.file)))
            .endObject();
      json_->endArray();
      return;
    }
    line("");
    line("[ALIAS] 节 (#IVB) " + std::to_string(entries.size()));
    for (const MapEntry& e : entries)
      line(std::to_string(e.topic) + " = " + text(lookup_.text(e.file)));
  }

  void dumpTopics() {
    std::vector<TopicEntry> topics;
    if (!readTopics(root_, topics)) return;
    if (json_) {
      json_->key("topics").beginArray();
      for (const TopicEntry& t : topics) {
        const TopicText joined = joinTopic(t, lookup_);
        json_->beginObject().key("title").value(text(joined.title));
        json_->key("link").value(text(joined.link)).endObject();
      }
      json_->endArray();
      return;
    }
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
    if (json_) json_->key(urlStr ? "urlstr" : "strings").beginArray();
    auto print = [&](const std::string& t) {
      if (json_)
        json_->value(text(t));
      else
        line(text(t));
    };
    if (!json_) {
      line("");
      line(std::string("[") + name + "]");
    }
    if (urlStr)
      listUrlStr(source, print);
    else
      listStrings(source, print);
    if (json_) json_->endArray();
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
  JsonWriter* json_;
  unsigned codePage_ = 1252;
  std::uint32_t version_ = 0;
  std::vector<Record> records_;
  const Record* idxHeaderRecord_ = nullptr;
};

int runInfo(const Args& args);
const CliCommand info(
    "info", "info [--raw] [--json] FILE",
    "dump the internal tables of a compiled help file as text", runInfo,
    "  --raw   texts as the file's own bytes, not converted to UTF-8\n"
    "  --json  one object: \"file\", \"codePage\", \"system\" {\"version\", \"records\": "
    "[{\"code\",\n"
    "          \"label\", \"text\" | \"value\" | \"flags\", \"size\"}]}, \"idxhdr\" {\"source\",\n"
    "          \"topicNodes\", \"mergeCount\", \"mergeFiles\"}, \"windows\" [{\"name\", "
    "\"caption\",\n"
    "          \"contents\", \"index\", \"defaultTopic\", \"home\", \"jump1Text\", \"jump1Url\",\n"
    "          \"jump2Text\", \"jump2Url\", \"validMembers\", \"buttons\", \"position\",\n"
    "          \"properties\", \"navWidth\"}], \"aliases\" [{\"topic\", \"file\"}],\n"
    "          \"topics\" [{\"title\", \"link\"}], \"urlstr\" [...], \"strings\" [...];\n"
    "          a table the file lacks has no member\n");

int runInfo(const Args& args) {
  bool raw = false, json = false;
  std::string path;
  for (const std::string& a : args) {
    if (a == "--raw")
      raw = true;
    else if (a == "--json")
      json = true;
    else if (path.empty() && a.rfind("--", 0) != 0)
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
  JsonWriter writer;
  InfoDump(storage, raw, json ? &writer : nullptr).run(path);
  if (json) std::fputs(writer.text().c_str(), stdout);
  const bool written = std::fflush(stdout) == 0;
  storage.close();
  return written ? kExitOk : kExitFailed;
}

}  // namespace
}  // namespace cli
