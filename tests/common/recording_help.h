#pragma once
// An HTML Help viewer that answers every call with success and records it,
// for tests of which topic or pop-up a dialog asks for.
#include <QWidget>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/call_html_help.h"

class RecordingHelp : public HtmlHelpService {
 public:
  struct Call {
    QWidget* window;
    std::string file;
    unsigned command;
    std::uintptr_t data;
  };
  RecordingHelp() { setHtmlHelpService(this); }
  ~RecordingHelp() override { setHtmlHelpService(nullptr); }
  RecordingHelp(const RecordingHelp&) = delete;
  RecordingHelp& operator=(const RecordingHelp&) = delete;

  std::intptr_t htmlHelp(void* window, std::string_view file, unsigned command,
                         std::uintptr_t data) override {
    calls.push_back({static_cast<QWidget*>(window), std::string(file), command, data});
    return 1;
  }
  std::vector<Call> calls;
};
