#include "cli/json_writer.h"

#include <cstdio>

namespace cli {
namespace {

// Length of the well-formed UTF-8 sequence at text[i], or 0.
std::size_t utf8Length(std::string_view text, std::size_t i) {
  const auto b = static_cast<unsigned char>(text[i]);
  std::size_t len;
  std::uint32_t cp;
  if (b < 0x80) return 1;
  if ((b & 0xE0) == 0xC0) {
    len = 2;
    cp = b & 0x1F;
  } else if ((b & 0xF0) == 0xE0) {
    len = 3;
    cp = b & 0x0F;
  } else if ((b & 0xF8) == 0xF0) {
    len = 4;
    cp = b & 0x07;
  } else {
    return 0;
  }
  if (i + len > text.size()) return 0;
  for (std::size_t k = 1; k < len; ++k) {
    const auto c = static_cast<unsigned char>(text[i + k]);
    if ((c & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (c & 0x3F);
  }
  static const std::uint32_t minimum[] = {0, 0, 0x80, 0x800, 0x10000};
  if (cp < minimum[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return len;
}

}  // namespace

std::string jsonString(std::string_view text) {
  std::string out = "\"";
  char buf[8];
  for (std::size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    const std::size_t len = utf8Length(text, i);
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
