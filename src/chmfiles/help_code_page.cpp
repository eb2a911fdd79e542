#include "chmfiles/help_code_page.h"

#include <vector>

#include "chmfiles/byte_source.h"
#include "chmfiles/system_file.h"
#include "common/string_utils.h"
#include "platform/system/codepage.h"

namespace {
// How much of #STRINGS is sampled: enough text for the detector, little
// enough that a huge table costs nothing noticeable.
constexpr std::uint32_t kStringsSample = 64 * 1024;
}  // namespace

std::optional<int> fontCharset(std::string_view font) {
  const std::size_t first = font.find(',');
  if (first == std::string_view::npos) return std::nullopt;
  const std::size_t second = font.find(',', first + 1);
  if (second == std::string_view::npos) return std::nullopt;
  return ParseInt(font.substr(second + 1));
}

LanguageEvidence readLanguageEvidence(itss::IStorage* root) {
  LanguageEvidence evidence;
  if (!root) return evidence;
  SystemStream system;
  if (system.open(root)) {
    std::uint16_t code = 0, length = 0;
    while (system.next(code, length)) {
      const Bytes data = system.readData();
      if (code == kSysFlags) evidence.lcid = decodeSystemFlags(data).lcid;
      if (isTextRecord(code)) evidence.samples.push_back(recordText(data));
      if (code == kSysDefaultFont) evidence.charset = fontCharset(recordText(data));
    }
  }
  TableSource strings(root, "#STRINGS");
  if (strings.available()) {
    std::string block(kStringsSample, '\0');
    block.resize(strings.read(block.data(), kStringsSample));
    // Whole texts only: the last one may be cut by the sample's end.
    const std::size_t lastNul = block.rfind('\0');
    block.resize(lastNul == std::string::npos ? 0 : lastNul);
    for (std::size_t pos = 0; pos < block.size();) {
      std::size_t end = block.find('\0', pos);
      if (end == std::string::npos) end = block.size();
      if (end > pos) evidence.samples.push_back(block.substr(pos, end - pos));
      pos = end + 1;
    }
  }
  return evidence;
}

unsigned chooseHelpCodePage(const LanguageEvidence& evidence) {
  const std::vector<std::string_view> views(evidence.samples.begin(), evidence.samples.end());
  return cp::chooseCodePage(evidence.lcid, evidence.charset, views);
}

unsigned helpFileCodePage(itss::IStorage* root) {
  return chooseHelpCodePage(readLanguageEvidence(root));
}

std::string helpTextToUtf8(std::string_view bytes, unsigned codePage) {
  bool ascii = true;
  for (unsigned char c : bytes) ascii = ascii && c < 0x80;
  if (ascii) return std::string(bytes);
  if (codePage != cp::kUtf8 && cp::isValidUtf8(bytes)) return std::string(bytes);
  return cp::toUtf8(bytes, codePage);
}

std::string helpNameToUtf8(std::string_view bytes, unsigned codePage,
                           const std::function<bool(const std::string&)>& isFile) {
  std::string decoded = cp::toUtf8(bytes, codePage);
  if (codePage == cp::kUtf8 || decoded == bytes || !cp::isValidUtf8(bytes) || isFile(decoded) ||
      !isFile(std::string(bytes)))
    return decoded;
  return std::string(bytes);
}
