#include "platform/system/codepage.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace {

TEST(CodePage, LanguageIdsMapToTheirWindowsCodePages) {
  EXPECT_EQ(cp::codePageForLcid(0x0804), 936u);
  EXPECT_EQ(cp::codePageForLcid(0x1004), 936u);
  EXPECT_EQ(cp::codePageForLcid(0x0404), 950u);
  EXPECT_EQ(cp::codePageForLcid(0x0c04), 950u);
  EXPECT_EQ(cp::codePageForLcid(0x0411), 932u);
  EXPECT_EQ(cp::codePageForLcid(0x0412), 949u);
  EXPECT_EQ(cp::codePageForLcid(0x0409), 1252u);
  EXPECT_EQ(cp::codePageForLcid(0x0407), 1252u);
  EXPECT_EQ(cp::codePageForLcid(0x0415), 1250u);
  EXPECT_EQ(cp::codePageForLcid(0x0419), 1251u);
  EXPECT_EQ(cp::codePageForLcid(0x0408), 1253u);
  EXPECT_EQ(cp::codePageForLcid(0x041f), 1254u);
  EXPECT_EQ(cp::codePageForLcid(0x040d), 1255u);
  EXPECT_EQ(cp::codePageForLcid(0x0c01), 1256u);
  EXPECT_EQ(cp::codePageForLcid(0x0427), 1257u);
  EXPECT_EQ(cp::codePageForLcid(0x042a), 1258u);
  EXPECT_EQ(cp::codePageForLcid(0x041e), 874u);
  // Serbian is Latin or Cyrillic by sub-language.
  EXPECT_EQ(cp::codePageForLcid(0x081a), 1250u);
  EXPECT_EQ(cp::codePageForLcid(0x0c1a), 1251u);
  EXPECT_EQ(cp::codePageForLcid(0x0000), 0u);
  EXPECT_EQ(cp::codePageForLcid(0x04ff), 0u);
}

TEST(CodePage, CharsetsMapToCodePages) {
  EXPECT_EQ(cp::codePageForCharset(134), 936u);
  EXPECT_EQ(cp::codePageForCharset(136), 950u);
  EXPECT_EQ(cp::codePageForCharset(128), 932u);
  EXPECT_EQ(cp::codePageForCharset(129), 949u);
  EXPECT_EQ(cp::codePageForCharset(204), 1251u);
  EXPECT_EQ(cp::codePageForCharset(238), 1250u);
  EXPECT_EQ(cp::codePageForCharset(1), 0u);  // DEFAULT_CHARSET says nothing
  EXPECT_EQ(cp::codePageForCharset(2), 0u);  // SYMBOL_CHARSET has no code page
}

TEST(CodePage, EveryMappedCodePageConverts) {
  for (unsigned page : {874u, 932u, 936u, 949u, 950u, 1250u, 1251u, 1252u, 1253u, 1254u, 1255u,
                        1256u, 1257u, 1258u}) {
    ASSERT_TRUE(cp::isSupported(page)) << page;
    EXPECT_EQ(cp::toUtf8("abc 123", page), "abc 123") << page;
  }
}

TEST(CodePage, DecodesDoubleByteText) {
  EXPECT_EQ(cp::toUtf8("\xD6\xD0\xCE\xC4", 936), "中文");
  EXPECT_EQ(cp::toUtf8("\xA4\xA4\xA4\xE5", 950), "中文");
  EXPECT_EQ(cp::toUtf8("\x93\xFA\x96\x7B", 932), "日本");
  EXPECT_EQ(cp::toUtf8("\xC7\xD1\xB1\xB9", 949), "한국");
  // Characters of the Windows 936 table that plain GBK lacks, and its euro sign.
  EXPECT_EQ(cp::toUtf8("\xA8\xBF", 936), "ǹ");
  EXPECT_EQ(cp::toUtf8("\x80", 936), "€");
  EXPECT_EQ(cp::toUtf8("\xC4\xE9", 1252), "Äé");
  EXPECT_EQ(cp::toUtf8("\xC0\xDF", 1251), "АЯ");
}

TEST(CodePage, EachBadByteBecomesOneReplacementCharacter) {
  // A lead byte followed by ASCII: the lead byte is bad, the ASCII survives.
  EXPECT_EQ(cp::toUtf8("a\xD6"
                       "1",
                       936),
            "a\xEF\xBF\xBD"
            "1");
  // A lead byte cut off at the end.
  EXPECT_EQ(cp::toUtf8("\xD6\xD0\xD6", 936), "中\xEF\xBF\xBD");
  // A byte the single-byte table leaves undefined.
  EXPECT_EQ(cp::toUtf8("x\x81y", 1252), "x\xEF\xBF\xBDy");
  // Bad UTF-8: a stray continuation byte and an overlong slash.
  EXPECT_EQ(cp::toUtf8("\x80\xC0\xAF", cp::kUtf8), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
  EXPECT_FALSE(cp::toUtf8Strict("a\xD6"
                                "1",
                                936)
                   .has_value());
  EXPECT_EQ(cp::toUtf8Strict("\xD6\xD0", 936).value_or(""), "中");
}

TEST(CodePage, EncodesWithQuestionMarksForMissingCharacters) {
  EXPECT_EQ(cp::fromUtf8("中文", 936), "\xD6\xD0\xCE\xC4");
  EXPECT_EQ(cp::fromUtf8("中文", 950), "\xA4\xA4\xA4\xE5");
  EXPECT_EQ(cp::fromUtf8("a中b", 1252), "a?b");
  EXPECT_EQ(cp::fromUtf8("€", 936), "\x80");
  // A character beyond the two-byte table is never written as four bytes.
  EXPECT_EQ(cp::fromUtf8("\xF0\x9F\x98\x80", 936), "?");
  const std::string text = "帮助文件 Help";
  EXPECT_EQ(cp::toUtf8(cp::fromUtf8(text, 936), 936), text);
}

TEST(CodePage, SteppingKeepsCharactersWhole) {
  // 0x5C ("\") is the second byte of this Shift-JIS character and of this GBK one.
  const std::string sjis = "\x83\x5C\\";
  EXPECT_EQ(cp::charLength(sjis, 0, 932), 2u);
  EXPECT_EQ(cp::charLength(sjis, 2, 932), 1u);
  EXPECT_EQ(cp::previousChar(sjis, 2, 932), 0u);
  EXPECT_EQ(cp::previousChar(sjis, 3, 932), 2u);
  const std::string utf8 = "a中b";
  EXPECT_EQ(cp::charLength(utf8, 1), 3u);
  EXPECT_EQ(cp::previousChar(utf8, 4), 1u);
  EXPECT_EQ(cp::previousChar(utf8, 5), 4u);
  // A malformed sequence counts one byte per character.
  EXPECT_EQ(cp::charLength("\xE4\xB8", 0), 1u);
}

TEST(CodePage, Utf16Conversion) {
  EXPECT_EQ(cp::utf8ToUtf16("a中\xF0\x9F\x98\x80"), u"a中\U0001F600");
  EXPECT_EQ(cp::utf8ToUtf16("a\xFF"), u"a\uFFFD");
  EXPECT_EQ(cp::utf16ToUtf8(u"a中\U0001F600"), "a中\xF0\x9F\x98\x80");
  EXPECT_EQ(cp::utf16ToUtf8(std::u16string(1, u'\xD800')), "\xEF\xBF\xBD");
}

TEST(CodePage, ChoosingTheCodePageWhenTheLanguageIdLies) {
  // The LCID alone.
  EXPECT_EQ(cp::chooseCodePage(0x0804, std::nullopt), 936u);
  // A file marked English whose font is GB2312 holds GBK text.
  EXPECT_EQ(cp::chooseCodePage(0x0409, 134), 936u);
  // The ANSI charset is written whatever the language: no evidence.
  EXPECT_EQ(cp::chooseCodePage(0x0804, 0), 936u);
  // Unknown everything.
  EXPECT_EQ(cp::chooseCodePage(0, std::nullopt), 1252u);
  // A GBK file marked as traditional Chinese: "亐" (81 80) is no Big5 character.
  const std::string_view gbkOnly[] = {"\xD6\xD0\x81\x80"};
  EXPECT_FALSE(cp::toUtf8Strict(gbkOnly[0], 950).has_value());
  EXPECT_EQ(cp::chooseCodePage(0x0404, std::nullopt, gbkOnly), 936u);
  // UTF-8 text under a Chinese LCID.
  const std::string_view utf8[] = {"\xE5\xB8\xAE\xE5\x8A\xA9\xE6\x96\x87\xE4\xBB\xB6\xE7\x9A\x84"};
  EXPECT_EQ(cp::chooseCodePage(0x0804, std::nullopt, utf8), cp::kUtf8);
  // GBK texts under an English LCID with no font record: 1252 decodes them
  // too, so only the detector can tell ("作者自述", "元素周期表").
  const std::string_view gbkAsEnglish[] = {"\xD7\xF7\xD5\xDF\xD7\xD4\xCA\xF6.txt",
                                           "\xD4\xAA\xCB\xD8\xD6\xDC\xC6\xDA\xB1\xED"};
  EXPECT_EQ(cp::chooseCodePage(0x0409, std::nullopt, gbkAsEnglish), 936u);
  // Western accents stay in the LCID's page, and short samples prove nothing.
  const std::string_view western[] = {
      "Caf\xE9 cr\xE8me br\xFBl\xE9"
      "e, na\xEFve fa\xE7"
      "ade \xE0 la"};
  EXPECT_EQ(cp::chooseCodePage(0x0409, std::nullopt, western), 1252u);
  const std::string_view shortGbk[] = {"\xD6\xD0\xCE\xC4"};
  EXPECT_EQ(cp::chooseCodePage(0x0409, std::nullopt, shortGbk), 1252u);
  // Samples that decode keep the LCID's page.
  const std::string_view gbk[] = {"\xD6\xD0\xCE\xC4"};
  EXPECT_EQ(cp::chooseCodePage(0x0804, std::nullopt, gbk), 936u);
}

// Random bytes, as a damaged help file holds them: decoding always yields
// valid UTF-8, the strict form agrees whenever it succeeds, and stepping back
// from every character boundary lands on the previous one.
TEST(CodePage, RandomBytesDecodeToValidUtf8AndStepConsistently) {
  std::mt19937 random(20261207);
  std::uniform_int_distribution<int> byte(0, 255), length(0, 40);
  for (unsigned page : {cp::kUtf8, 932u, 936u, 949u, 950u, 1252u, 1361u, 874u}) {
    SCOPED_TRACE(page);
    for (int round = 0; round < 1500; ++round) {
      std::string bytes(static_cast<std::size_t>(length(random)), '\0');
      for (char& c : bytes) {
        // Mostly high bytes, where the multi-byte rules live.
        const int b = byte(random);
        c = static_cast<char>(b < 64 ? b : (b | 0x80));
      }
      const std::string text = cp::toUtf8(bytes, page);
      ASSERT_TRUE(cp::isValidUtf8(text));
      if (const auto strict = cp::toUtf8Strict(bytes, page)) {
        ASSERT_EQ(*strict, text);
      }
      std::vector<std::size_t> starts;
      for (std::size_t i = 0; i < bytes.size(); i += cp::charLength(bytes, i, page)) {
        starts.push_back(i);
      }
      for (std::size_t k = 1; k < starts.size(); ++k) {
        ASSERT_EQ(cp::previousChar(bytes, starts[k], page), starts[k - 1]);
      }
      if (!starts.empty()) {
        ASSERT_EQ(cp::previousChar(bytes, bytes.size(), page), starts.back());
      }
    }
  }
}

}  // namespace
