#pragma once
// A growable list of owned, zero-terminated strings in insertion order. The
// strings live in a private heap of the list, so clearing or destroying the
// list frees them all; a string keeps its address while the list grows.
#include <string_view>

#include "its/program_heap.h"

class StringList {
 public:
  static constexpr int kGrowth = 256;  // entries added to the array at a time

  StringList();
  ~StringList();
  StringList(const StringList&) = delete;
  StringList& operator=(const StringList&) = delete;

  // Appends a copy (growing first when full).
  void add(std::string_view text);
  // Appends two copies (growing first when fewer than two places are free).
  void addPair(std::string_view a, std::string_view b);

  // The first index whose entry equals text without regard to the case of
  // A–Z, or -1.
  int findNoCase(std::string_view text) const;
  // As findNoCase over entries 0, 2, 4, ... only (keys of pairs).
  int findPairKey(std::string_view text) const;
  // The first index whose entry equals text exactly, or -1.
  int findExact(std::string_view text) const;

  // Frees entry i and moves the later ones down (an index out of range does nothing).
  void removeAt(int i);
  // findNoCase, then removeAt; whether an entry was removed.
  bool removeNoCase(std::string_view text);
  // Frees all entries; the array keeps its capacity.
  void clear();

  int count() const { return count_; }
  int capacity() const { return capacity_; }
  bool empty() const { return count_ == 0; }
  const char* at(int i) const { return entries_[i]; }
  const char* operator[](int i) const { return entries_[i]; }
  const char* const* begin() const { return entries_; }
  const char* const* end() const { return entries_ + count_; }

 private:
  void reserveFree(int places);

  ProgramHeap heap_;
  char** entries_ = nullptr;
  int count_ = 0;
  int capacity_ = 0;
};
