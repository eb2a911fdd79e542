#pragma once
// Search without an index: the topics whose pages hold every word, found by
// reading each page's text (outside tags, scripts and styles, references
// decoded). For help files compiled without full-text search. Pages are
// read one at a time, each up to a size limit; the caller can cancel.
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "chmfiles/fulltext_reader.h"
#include "platform/itss/storage.h"

// Pages larger than this are searched in their first part only.
constexpr std::size_t kMaxScannedPage = 8u << 20;

// The text of an HTML page (UTF-8 in, UTF-8 out): tags, comments, scripts
// and styles left out, each as a blank; character references decoded.
std::string pageText(std::string_view html);

// Whether text holds word (both UTF-8): letters A-Z without case; a word of
// Latin letters and digits must not continue a longer word on either side
// (with prefix, only on its left).
bool textHoldsWord(std::string_view text, std::string_view word, bool prefix);

// Called after each page with the pages done and the total; false cancels.
using ScanProgress = std::function<bool(std::size_t done, std::size_t total)>;

// kOk with the hits (in #TOPICS order, one per page), or kDamaged when the
// file has no topics to read; a cancelled scan returns kOk with the hits so
// far.
SearchStatus scanHelpPages(itss::IStorage* root, const std::vector<std::string>& words,
                           const SearchOptions& options, std::vector<SearchHit>& hits,
                           const ScanProgress& progress);
