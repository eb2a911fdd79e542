#pragma once
// A small JSON writer for the commands' --json output: objects and arrays
// written as they are built, two spaces per level. Texts that are not valid
// UTF-8 (a help file's raw bytes) keep every byte: each invalid one is
// written as the code point of its value.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace cli {

class JsonWriter {
 public:
  JsonWriter& beginObject();
  JsonWriter& endObject();
  JsonWriter& beginArray();
  JsonWriter& endArray();
  // The name of the next member of the open object.
  JsonWriter& key(std::string_view name);
  JsonWriter& value(std::string_view text);
  JsonWriter& value(const char* text) { return value(std::string_view(text)); }
  JsonWriter& number(std::uint64_t n);
  JsonWriter& flag(bool on);

  // The document, with a final line end, once every level is closed.
  const std::string& text();

 private:
  void beforeValue();
  void open(char bracket);
  void close(char bracket);

  std::string out_;
  std::vector<bool> hasItems_;  // per open level
  bool afterKey_ = false;
};

// The text as a JSON string literal, quotes included.
std::string jsonString(std::string_view text);

}  // namespace cli
