#pragma once
// A scratch configuration folder for a test: the registry files, the Windows
// folder (with "Wrenlow.ini" and "hh.ini") and the applications folder all
// live under a fresh temporary folder, never the user's own.
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "common/settings_store.h"
#include "platform/registry/registry.h"
#include "platform/system/sysdirs.h"

class ScratchConfig {
 public:
  ScratchConfig() {
    char tmpl[] = "/tmp/wrenlow-test-XXXXXX";
    root_ = ::mkdtemp(tmpl);
    config_ = root_ + "/config";
    data_ = root_ + "/data";
    std::filesystem::create_directories(config_);
    std::filesystem::create_directories(data_);
    ::setenv("WRENLOW_CONFIG_DIR", config_.c_str(), 1);
    ::setenv("XDG_DATA_HOME", data_.c_str(), 1);
    ::unsetenv("WRENLOW_WINEPREFIX");
    CloseSettingsKey();
    reg::useFolder(config_);
  }
  ~ScratchConfig() {
    CloseSettingsKey();
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }
  ScratchConfig(const ScratchConfig&) = delete;
  ScratchConfig& operator=(const ScratchConfig&) = delete;

  const std::string& root() const { return root_; }
  const std::string& config() const { return config_; }
  std::string windows() const { return sysdirs::windowsFolder(); }
  std::string applications() const { return data_ + "/applications"; }

  // Creates a file (and its folders) with the given text.
  static void write(const std::string& path, const std::string& text) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << text;
  }
  static std::string read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

 private:
  std::string root_, config_, data_;
};
