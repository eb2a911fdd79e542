#include "its/string_list.h"

#include <cstring>

#include "common/string_utils.h"

StringList::StringList() = default;

// The private heap frees the array and every string with it.
StringList::~StringList() = default;

void StringList::reserveFree(int places) {
  if (capacity_ - count_ >= places) return;
  const int capacity = capacity_ + kGrowth;
  entries_ = static_cast<char**>(
      heap_.reallocate(entries_, static_cast<std::size_t>(capacity) * sizeof(char*), true));
  capacity_ = capacity;
}

void StringList::add(std::string_view text) {
  reserveFree(1);
  entries_[count_++] = heap_.duplicate(text);
}

void StringList::addPair(std::string_view a, std::string_view b) {
  reserveFree(2);
  entries_[count_++] = heap_.duplicate(a);
  entries_[count_++] = heap_.duplicate(b);
}

int StringList::findNoCase(std::string_view text) const {
  for (int i = 0; i < count_; ++i) {
    if (EqualsNoCase(entries_[i], text)) return i;
  }
  return -1;
}

int StringList::findPairKey(std::string_view text) const {
  for (int i = 0; i < count_; i += 2) {
    if (EqualsNoCase(entries_[i], text)) return i;
  }
  return -1;
}

int StringList::findExact(std::string_view text) const {
  for (int i = 0; i < count_; ++i) {
    if (text == entries_[i]) return i;
  }
  return -1;
}

void StringList::removeAt(int i) {
  if (i < 0 || i >= count_) return;
  heap_.free(entries_[i]);
  std::memmove(entries_ + i, entries_ + i + 1,
               static_cast<std::size_t>(count_ - i - 1) * sizeof(char*));
  entries_[--count_] = nullptr;
}

bool StringList::removeNoCase(std::string_view text) {
  const int i = findNoCase(text);
  if (i < 0) return false;
  removeAt(i);
  return true;
}

void StringList::clear() {
  for (int i = 0; i < count_; ++i) {
    heap_.free(entries_[i]);
    entries_[i] = nullptr;
  }
  count_ = 0;
}
