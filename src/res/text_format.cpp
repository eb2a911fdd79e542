#include "res/text_format.h"

std::string FormatMessageText(std::string_view format, std::string_view arg) {
  std::string out;
  out.reserve(format.size() + arg.size());
  bool inserted = false;
  for (std::size_t i = 0; i < format.size(); ++i) {
    if (format[i] == '%' && i + 1 < format.size()) {
      if (format[i + 1] == '%') {
        out += '%';
        ++i;
        continue;
      }
      if ((format[i + 1] == 's' || format[i + 1] == '1') && !inserted) {
        out += arg;
        inserted = true;
        ++i;
        continue;
      }
    }
    out += format[i];
  }
  return out;
}

std::string fillFormat(std::string_view format, std::initializer_list<std::string_view> args) {
  std::string out;
  auto next = args.begin();
  for (std::size_t i = 0; i < format.size(); ++i) {
    if (format[i] == '%' && i + 1 < format.size()) {
      if (format[i + 1] == 's' || format[i + 1] == 'u') {
        if (next != args.end()) out += *next++;
        ++i;
        continue;
      }
      if (format[i + 1] == '%') {
        out += '%';
        ++i;
        continue;
      }
    }
    out += format[i];
  }
  return out;
}
