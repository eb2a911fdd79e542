#include "chmfiles/help_code_page.h"

#include <string_view>

#include "chmfiles/system_file.h"
#include "common/string_utils.h"
#include "platform/system/codepage.h"

LanguageEvidence readLanguageEvidence(itss::IStorage* root) {
  LanguageEvidence evidence;
  SystemStream stream;
  if (!root || !stream.open(root)) return evidence;
  std::uint16_t code = 0, length = 0;
  while (stream.next(code, length)) {
    const Bytes data = stream.readData();
    if (code == kSysFlags) evidence.lcid = decodeSystemFlags(data).lcid;
    if (isTextRecord(code)) evidence.samples.push_back(recordText(data));
    if (code == kSysDefaultFont) {
      // "face,size,charset": the charset is the third field.
      const std::string font = recordText(data);
      const auto first = font.find(',');
      const auto second = first == std::string::npos ? first : font.find(',', first + 1);
      if (second != std::string::npos)
        evidence.charset = ParseInt(std::string_view(font).substr(second + 1));
    }
  }
  return evidence;
}

unsigned chooseHelpCodePage(const LanguageEvidence& evidence) {
  std::vector<std::string_view> views(evidence.samples.begin(), evidence.samples.end());
  return cp::chooseCodePage(evidence.lcid, evidence.charset, views);
}

unsigned helpFileCodePage(itss::IStorage* root) {
  return chooseHelpCodePage(readLanguageEvidence(root));
}
