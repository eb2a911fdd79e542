// Registry files built from the input as a program of choices: keys of any
// depth, names with escapes, every value form, hex data continued over
// many lines, comments, repeated names and damaged lines. Whatever parses
// must write back byte for byte; a batch of value changes must give the
// same file as the same changes made one by one; the result must parse
// again with the changed values in place.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <string>
#include <vector>

#include "choices.h"
#include "platform/registry/hive_document.h"

namespace {

const char* const kNameParts[] = {"Software", "k", "HTML Help", "a\\\\b", "\\x4e2d",
                                  "\\]",      "[", "x\\\"y",    "\\t",    "\xe4\xb8\xad",
                                  "\\0",      "",  "KEY",       "Key",    "\\x"};

std::string name(Choices& c) {
  std::string out;
  for (unsigned n = 1 + c.below(3); n > 0; --n) out += kNameParts[c.below(std::size(kNameParts))];
  return out;
}

std::string hexBytes(Choices& c) {
  std::string out;
  for (unsigned n = c.below(40); n > 0; --n) {
    char buf[4];
    std::snprintf(buf, sizeof buf, "%02x", c.byte());
    if (!out.empty()) out += ',';
    out += buf;
  }
  return out;
}

std::string valueLine(Choices& c) {
  std::string line = c.below(5) == 0 ? "@=" : "\"" + name(c) + "\"=";
  switch (c.below(7)) {
    case 0:
      return line + "\"" + name(c) + "\"\n";
    case 1:
      return line + "str(" + std::to_string(c.below(8)) + "):\"" + name(c) + "\"\n";
    case 2: {
      char buf[16];
      std::snprintf(buf, sizeof buf, "dword:%08x\n", c.byte() * 0x01010101u);
      return line + buf;
    }
    case 3:
    case 4: {
      line += c.below(2) ? "hex:" : "hex(" + std::to_string(c.below(12)) + "):";
      line += hexBytes(c);
      for (unsigned n = c.count(); n > 0; --n) line += ",\\\n  " + hexBytes(c);
      return line + (c.below(6) == 0 ? ",\\\n" : "\n");
    }
    case 5:
      return line + "garbage" + name(c) + "\n";
    default:
      return line + "hex:0" + (c.below(2) ? "\\\n" : "\n");
  }
}

std::string hiveText(Choices& c) {
  std::string text = c.below(16)
                         ? "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n"
                         : "WINE REGISTRY Version 1\n";
  if (c.below(2)) text += "#arch=win64\n";
  while (c.more()) {
    switch (c.below(8)) {
      case 0:
      case 1: {
        std::string path;
        for (unsigned n = 1 + c.count(); n > 0; --n) path += (path.empty() ? "" : "\\\\") + name(c);
        text += "\n[" + path + (c.below(20) ? "] 1700000000\n" : " 1700000000\n");
        if (c.below(2)) text += "#time=1d9f0a0b0c0d0e0\n";
        break;
      }
      case 7:
        text += c.below(2) ? ";; comment " + name(c) + "\n" : "\n";
        break;
      default:
        text += valueLine(c);
    }
  }
  if (c.below(2) == 0 && !text.empty()) text.pop_back();  // no newline at the end
  return text;
}

// The text without "#time=" lines and without the time after a key line's
// "]": what two documents changed at different instants share.
std::string withoutTimes(const std::string& text) {
  std::string out;
  for (std::size_t pos = 0; pos < text.size();) {
    std::size_t end = text.find('\n', pos);
    end = end == std::string::npos ? text.size() : end + 1;
    std::string line = text.substr(pos, end - pos);
    pos = end;
    if (line.starts_with("#time=")) continue;
    if (line.starts_with("[")) {
      const std::size_t close = line.rfind("] ");
      if (close != std::string::npos &&
          line.find_first_not_of("0123456789\n", close + 2) == std::string::npos)
        line.resize(close + 1);
    }
    out += line;
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Choices c(data, size, 8, 600);
  const std::string text = hiveText(c);
  reg::HiveDocument batch, single;
  if (!batch.parse(text)) return 0;
  if (batch.serialize() != text) std::abort();
  if (!single.parse(text)) std::abort();

  // Changes to the first key that has values, or to a new one, taken from
  // the input's bytes again (reversed, so they differ from the file's).
  reg::HiveDocument::Node* target = batch.root();
  std::string path;
  while (!target->children.empty() && batch.valueCount(target) == 0) {
    target = target->children.begin()->second.get();
    path += (path.empty() ? "" : "\\") + target->name;
  }
  std::vector<std::uint8_t> reversed(data, data + size);
  std::reverse(reversed.begin(), reversed.end());
  Choices d(reversed.data(), reversed.size(), 8, 600);
  std::vector<reg::ValueChange> changes;
  std::vector<std::string> names;
  for (std::size_t i = 0; i < batch.valueCount(target); ++i)
    names.push_back(batch.valueAt(target, i)->name);
  names.push_back("Fresh");
  names.push_back("fresh");
  for (unsigned n = d.below(12); n > 0; --n) {
    reg::ValueChange change;
    change.remove = d.below(2);
    change.value.name = names[d.below(static_cast<unsigned>(names.size()))];
    change.value.type = 1 + d.below(4);
    change.value.data.assign(d.below(6), static_cast<std::uint8_t>(d.byte()));
    changes.push_back(std::move(change));
  }
  bool created = false;
  reg::HiveDocument::Node* other = path.empty() ? single.root() : single.create(path, created);
  if (target == batch.root()) {
    target = batch.create("Software\\Batch", created);
    other = single.create("Software\\Batch", created);
  }
  std::vector<bool> done;
  batch.changeValues(target, changes, done);
  for (std::size_t k = 0; k < changes.size(); ++k) {
    const bool did = changes[k].remove ? single.deleteValue(other, changes[k].value.name)
                                       : single.setValue(other, changes[k].value);
    if (did != done[k]) std::abort();
  }
  const std::string written = batch.serialize();
  // One by one, a value added and deleted again leaves the newline it gave
  // an unterminated last line; the batch never adds it. Otherwise the same,
  // but for the times a new key line carries.
  if (text.ends_with("\n") && withoutTimes(written) != withoutTimes(single.serialize()))
    std::abort();

  reg::HiveDocument again;
  if (!again.parse(written)) std::abort();
  if (again.serialize() != written) std::abort();
  return 0;
}
