#include "cli/json_writer.h"

#include <cstdio>

#include "platform/system/codepage.h"

namespace cli {

std::string jsonString(std::string_view text) {
  std::string out = "\"";
  char buf[8];
  for (std::size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    char32_t decoded;
    const std::size_t len = cp::decodeUtf8(text, i, decoded);
    if (len == 0) {
      // Not UTF-8: the byte as the code point of its value.
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
      ++i;
      continue;
    }
    if (len > 1) {
      out.append(text.substr(i, len));
    } else if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c < 0x20 || c == 0x7F) {
      std::snprintf(buf, sizeof buf, "\\u%04x", c);
      out += buf;
    } else {
      out += static_cast<char>(c);
    }
    i += len;
  }
  return out + "\"";
}

void JsonWriter::beforeValue() {
  if (afterKey_) {
    afterKey_ = false;
    return;
  }
  if (hasItems_.empty()) return;
  if (hasItems_.back()) out_ += ',';
  hasItems_.back() = true;
  out_ += '\n';
  out_.append(hasItems_.size() * 2, ' ');
}

void JsonWriter::open(char bracket) {
  beforeValue();
  out_ += bracket;
  hasItems_.push_back(false);
}

void JsonWriter::close(char bracket) {
  const bool items = !hasItems_.empty() && hasItems_.back();
  if (!hasItems_.empty()) hasItems_.pop_back();
  if (items) {
    out_ += '\n';
    out_.append(hasItems_.size() * 2, ' ');
  }
  out_ += bracket;
}

JsonWriter& JsonWriter::beginObject() {
  open('{');
  return *this;
}
JsonWriter& JsonWriter::endObject() {
  close('}');
  return *this;
}
JsonWriter& JsonWriter::beginArray() {
  open('[');
  return *this;
}
JsonWriter& JsonWriter::endArray() {
  close(']');
  return *this;
}

JsonWriter& JsonWriter::key(std::string_view name) {
  beforeValue();
  out_ += jsonString(name) + ": ";
  afterKey_ = true;
  return *this;
}

JsonWriter& JsonWriter::value(std::string_view text) {
  beforeValue();
  out_ += jsonString(text);
  return *this;
}

JsonWriter& JsonWriter::number(std::uint64_t n) {
  beforeValue();
  out_ += std::to_string(n);
  return *this;
}

JsonWriter& JsonWriter::flag(bool on) {
  beforeValue();
  out_ += on ? "true" : "false";
  return *this;
}

const std::string& JsonWriter::text() {
  if (out_.empty() || out_.back() != '\n') out_ += '\n';
  return out_;
}

}  // namespace cli
