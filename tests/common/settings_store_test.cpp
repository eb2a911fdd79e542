// The settings store over a scratch registry.
#include "common/settings_store.h"

#include <gtest/gtest.h>

#include "tests/common/scratch_config.h"

namespace {

TEST(SettingsStore, ShortValueReadsZeroExtended) {
  ScratchConfig scratch;
  SetRegistryName("Wrenlow");
  reg::UniqueKey key;
  ASSERT_EQ(reg::RegCreateKeyEx(reg::HKEY_CURRENT_USER, "Software\\Marrowby\\Wrenlow\\Settings",
                                reg::KEY_ALL_ACCESS, key.put()),
            reg::ERROR_SUCCESS);
  const std::uint8_t two[2] = {0x34, 0x12};
  ASSERT_EQ(reg::RegSetValueEx(key.get(), "Short", reg::REG_BINARY, two, 2), reg::ERROR_SUCCESS);
  std::uint8_t buf[4] = {0xAA, 0xAA, 0xAA, 0xAA};
  EXPECT_EQ(ReadSetting("Settings", "Short", buf, 4), 4u);
  EXPECT_EQ(buf[0], 0x34);
  EXPECT_EQ(buf[1], 0x12);
  EXPECT_EQ(buf[2], 0);
  EXPECT_EQ(buf[3], 0);

  // A missing value, or one longer than asked for, fails and leaves the buffer.
  std::uint8_t one[1] = {0x55};
  EXPECT_EQ(ReadSetting("Settings", "Short", one, 1), 0u);
  EXPECT_EQ(ReadSetting("Settings", "Missing", one, 1), 0u);
  EXPECT_EQ(one[0], 0x55);
}

TEST(SettingsStore, WritesBinaryUnderTheProgramKeyAndCachesOneHandle) {
  ScratchConfig scratch;
  SetRegistryName("Wrenlow");
  const std::uint32_t experience = 2;
  ASSERT_TRUE(WriteSetting("Information Types", "Experience", &experience, 4));
  reg::HKEY first = OpenSettingsKey("Information Types");
  EXPECT_EQ(OpenSettingsKey("Information Types"), first);
  EXPECT_NE(OpenSettingsKey("information types"), nullptr);  // another name: reopened

  reg::UniqueKey key;
  ASSERT_EQ(
      reg::RegOpenKeyEx(reg::HKEY_CURRENT_USER, "Software\\Marrowby\\Wrenlow\\Information Types", 0,
                        reg::KEY_READ, key.put()),
      reg::ERROR_SUCCESS);
  reg::DWORD type = 0;
  std::vector<std::uint8_t> data;
  ASSERT_EQ(reg::RegQueryValueEx(key.get(), "Experience", &type, &data), reg::ERROR_SUCCESS);
  EXPECT_EQ(type, reg::REG_BINARY);
  EXPECT_EQ(data, (std::vector<std::uint8_t>{2, 0, 0, 0}));
  EXPECT_NE(ScratchConfig::read(scratch.config() + "/user.reg")
                .find("[Software\\\\Marrowby\\\\Wrenlow\\\\Information Types]"),
            std::string::npos);
}

TEST(SettingsStore, UnreadableRegistryKeepsDefaults) {
  ScratchConfig scratch;
  SetRegistryName("Wrenlow");
  ScratchConfig::write(scratch.config() + "/user.reg", "not a registry\n");
  reg::setProblemReporter([](const std::string&) {});
  std::uint32_t value = 7;
  EXPECT_EQ(ReadSetting("Settings", "Preferences", &value, 4), 0u);
  EXPECT_EQ(value, 7u);
  EXPECT_FALSE(WriteSetting("Settings", "Preferences", &value, 4));
  EXPECT_EQ(ScratchConfig::read(scratch.config() + "/user.reg"), "not a registry\n");
  reg::setProblemReporter(nullptr);
}

}  // namespace
