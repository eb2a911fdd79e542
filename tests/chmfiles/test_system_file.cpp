// #SYSTEM records decoded from bytes: iteration, the bounded decoders, the
// release suffix, the merge prompt and the time stamps.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "chmfiles/system_file.h"
#include "table_bytes.h"

namespace {

std::vector<SystemRecord> allRecords(const TableBytes& file) {
  SystemRecords records(file.span());
  std::vector<SystemRecord> out;
  SystemRecord r;
  while (records.next(r)) out.push_back(r);
  return out;
}

TEST(SystemRecordsTest, HeaderOnlyHasVersionAndNoRecords) {
  TableBytes file;
  file.u32(3);
  SystemRecords records(file.span());
  std::uint32_t version = 0;
  ASSERT_TRUE(records.header(version));
  EXPECT_EQ(version, 3u);
  EXPECT_TRUE(allRecords(file).empty());

  TableBytes shortHeader;
  shortHeader.u16(3).u8(0);
  EXPECT_FALSE(SystemRecords(shortHeader.span()).header(version));
}

TEST(SystemRecordsTest, RepeatedRecordsComeInFileOrder) {
  TableBytes file;
  file.u32(3)
      .textRecord(kSysContentsFile, "first.hhc")
      .valueRecord(kSysInfoTypeCount, 0)
      .textRecord(kSysContentsFile, "second.hhc");
  auto recs = allRecords(file);
  ASSERT_EQ(recs.size(), 3u);
  EXPECT_EQ(recs[0].code, kSysContentsFile);
  EXPECT_EQ(recordText(recs[0].data), "first.hhc");
  EXPECT_EQ(recs[1].code, kSysInfoTypeCount);
  EXPECT_EQ(recordValue(recs[1].data), 0u);
  EXPECT_EQ(recordText(recs[2].data), "second.hhc");
}

TEST(SystemRecordsTest, CutRecordsStayInsideTheFile) {
  // A record header cut short ends the iteration; the record before it stays.
  TableBytes cutHeader;
  cutHeader.u32(3).textRecord(kSysTitle, "T").u16(kSysTitle).u8(9);
  auto recs = allRecords(cutHeader);
  ASSERT_EQ(recs.size(), 1u);
  EXPECT_EQ(recordText(recs[0].data), "T");

  // Data shorter than its length field: only the bytes present are given.
  TableBytes cutData;
  cutData.u32(3).u16(kSysTitle).u16(200).raw("abc");
  recs = allRecords(cutData);
  ASSERT_EQ(recs.size(), 1u);
  EXPECT_EQ(recs[0].length, 200u);
  EXPECT_EQ(recs[0].data.size(), 3u);
  EXPECT_EQ(recordText(recs[0].data), "abc");
}

TEST(SystemDecodersTest, TextWithoutNulEndsAtRecordEnd) {
  TableBytes file;
  file.u32(3).record(kSysTitle, {'a', 'b', 'c'}).textRecord(kSysDefaultFont, "宋体,9,134");
  auto recs = allRecords(file);
  ASSERT_EQ(recs.size(), 2u);
  EXPECT_EQ(recordText(recs[0].data), "abc");
  EXPECT_EQ(recordText(recs[1].data), "宋体,9,134");
  EXPECT_EQ(recordText(Bytes()), "");
}

TEST(SystemDecodersTest, ShortIntegerRecordsReadAsZero) {
  TableBytes two;
  two.u16(0x1234);
  EXPECT_EQ(recordValue(two.span()), 0u);
  TableBytes five;
  five.u32(77).u8(1);
  EXPECT_EQ(recordValue(five.span()), 77u);
}

TEST(SystemDecodersTest, FlagsRecordOfEveryLength) {
  TableBytes full;
  full.u32(0x804).u32(1).u32(1).u32(0).u32(0x159B58).u64(0x01C0000000000000ull).u32(0).u32(0);
  SystemFlags f = decodeSystemFlags(full.span());
  EXPECT_TRUE(f.complete);
  EXPECT_EQ(f.lcid, 0x804u);
  EXPECT_EQ(f.dbcs, 1u);
  EXPECT_EQ(f.fullTextSearch, 1u);
  EXPECT_EQ(f.klinks, 0u);
  EXPECT_EQ(f.alinks, 0x159B58u);
  EXPECT_EQ(f.creationTime, 0x01C0000000000000ull);

  // 10 bytes: the LCID and the first half of the DBCS flag are present; the
  // half field and everything after it read as 0.
  TableBytes cut;
  cut.u32(0x409).u32(1).u16(5);
  f = decodeSystemFlags(cut.span());
  EXPECT_FALSE(f.complete);
  EXPECT_EQ(f.lcid, 0x409u);
  EXPECT_EQ(f.dbcs, 1u);
  EXPECT_EQ(f.fullTextSearch, 0u);
  EXPECT_EQ(f.creationTime, 0u);

  // 24 bytes: the time's low half only; the high half is missing, so 0 high.
  TableBytes half;
  half.u32(1).u32(0).u32(0).u32(0).u32(0).u32(0xABCD);
  f = decodeSystemFlags(half.span());
  EXPECT_EQ(f.creationTime, 0xABCDu);
  EXPECT_FALSE(f.complete);
}

TEST(ReleaseSuffixTest, BoundariesOfEachRelease) {
  EXPECT_STREQ(releaseSuffix("HHA Version 4.74.7352"), " (1.1)");
  EXPECT_STREQ(releaseSuffix("HHA Version 4.74.7353"), " (1.1b)");
  EXPECT_STREQ(releaseSuffix("HHA Version 4.74.8197"), " (1.1b)");
  EXPECT_STREQ(releaseSuffix("HHA Version 4.74.8198"), " (1.3)");
  EXPECT_STREQ(releaseSuffix("HHA Version 4.74.9088"), " (1.3)");
  EXPECT_STREQ(releaseSuffix("HHA Version 4.74.9089"), "");
  EXPECT_STREQ(releaseSuffix("HHA Version 4.74.1111"), " (1.0)");
  EXPECT_STREQ(releaseSuffix("HHA Version 4.74.1112"), " (1.1)");
  // No digits after the last dot: build 0.
  EXPECT_STREQ(releaseSuffix("Halibut, 1.NOVERSION"), " (1.1)");
  // No dot at all: no suffix, although the build would read as 0.
  EXPECT_STREQ(releaseSuffix("CHM Editor"), "");
  EXPECT_STREQ(releaseSuffix("Halibut, NOVERSION"), "");
  // Blanks, sign and hexadecimal after the dot, as numbers are read.
  EXPECT_STREQ(releaseSuffix("x. \t0x2000"), " (1.1b)");  // 8192
  EXPECT_STREQ(releaseSuffix("x.-5"), " (1.1)");
  EXPECT_STREQ(releaseSuffix("x.99999"), "");
  // A localised text with a multi-byte version word.
  EXPECT_STREQ(releaseSuffix("HHA 版本 4.74.8702"), " (1.3)");
}

TEST(SystemTextsTest, MergePromptAndLabels) {
  EXPECT_STREQ(mergePromptText(1), "从不提示");
  EXPECT_STREQ(mergePromptText(0), "提示");
  EXPECT_STREQ(mergePromptText(0x80000000u), "从不提示");
  EXPECT_STREQ(systemRecordLabel(kSysContentsFile), "默认目录");
  EXPECT_STREQ(systemRecordLabel(kSysTimeStamp), "创建日期 (时间标签)");
  EXPECT_EQ(systemRecordLabel(7), nullptr);
  EXPECT_EQ(systemRecordLabel(18), nullptr);
  EXPECT_TRUE(isTextRecord(kSysCompilerVersion));
  EXPECT_FALSE(isTextRecord(kSysFlags));
}

class UtcZone : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* tz = std::getenv("TZ");
    saved_ = tz ? tz : "";
    hadTz_ = tz != nullptr;
    setenv("TZ", "UTC", 1);
    tzset();
  }
  void TearDown() override {
    if (hadTz_)
      setenv("TZ", saved_.c_str(), 1);
    else
      unsetenv("TZ");
    tzset();
  }

 private:
  std::string saved_;
  bool hadTz_ = false;
};

TEST_F(UtcZone, FileTimeBecomesUnixTime) {
  // 2001-09-09 01:46:40 UTC is Unix time 1,000,000,000.
  const std::uint64_t ft = (1000000000ull + 11644473600ull) * 10000000ull + 1234567;
  EXPECT_EQ(fileTimeToUnixTime(ft), 1000000000);
  // Before 1970, and a FILETIME with its top bit set: conversion fails, 0.
  EXPECT_EQ(fileTimeToUnixTime(0), 0);
  EXPECT_EQ(fileTimeToUnixTime(0x8000000000000000ull), 0);
  EXPECT_EQ(fileTimeToUnixTime(~0ull), 0);
}

TEST_F(UtcZone, TimesAreFormattedInTheLocale) {
  std::string text = formatHelpTime(1000000000);
  EXPECT_NE(text.find("2001"), std::string::npos) << text;
  EXPECT_NE(text.find("01:46:40"), std::string::npos) << text;
  EXPECT_LE(text.size(), 127u);
  // Code 10 stamps above 2^31 are later dates, not negative ones.
  EXPECT_NE(formatHelpTime(stampToUnixTime(0xF0000000u)).find("2097"), std::string::npos);
}

}  // namespace
