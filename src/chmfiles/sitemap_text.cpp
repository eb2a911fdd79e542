#include "chmfiles/sitemap_text.h"

#include "chmfiles/html_text.h"
#include "platform/system/codepage.h"

namespace {

std::string undecoded(std::string_view raw, unsigned codePage) {
  return cp::isValidUtf8(raw) ? std::string(raw) : cp::toUtf8(raw, codePage);
}

}  // namespace

std::string sitemapTextToUtf8(std::string_view raw, unsigned codePage) {
  return decodeCharacterReferences(undecoded(raw, codePage), cp::kUtf8);
}

std::string sitemapTextInCodePage(std::string_view raw, unsigned codePage) {
  return decodeCharacterReferences(cp::fromUtf8(undecoded(raw, codePage), codePage), codePage);
}
