// Registry files: any bytes either fail to parse or parse into a document
// that writes back byte for byte, and that stays parseable after a change.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/registry/hive_document.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  reg::HiveDocument doc;
  if (!doc.parse(text)) return 0;
  if (doc.serialize() != text) std::abort();
  bool created;
  auto* node = doc.create("Software\\Marrowby\\Wrenlow\\Settings", created);
  doc.setValue(node, {"Preferences", 3, {1, 0, 0, 0, 0, 0, 0, 0}});
  for (auto* n = doc.root(); !n->children.empty();) {
    n = n->children.begin()->second.get();
    doc.deleteValue(n, "");
  }
  reg::HiveDocument again;
  if (!again.parse(doc.serialize())) std::abort();
  auto* found = again.find("software\\marrowby\\wrenlow\\settings");
  if (!found || !again.getValue(found, "PREFERENCES")) std::abort();
  return 0;
}
