#include "its/program_heap.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "common/messages.h"

namespace {

TEST(ProgramHeap, BlocksKeepTheirSizeAndBytes) {
  ProgramHeap heap;
  auto* p = static_cast<char*>(heap.allocate(10));
  std::memcpy(p, "0123456789", 10);
  EXPECT_EQ(heap.size(p), 10u);
  p = static_cast<char*>(heap.reallocate(p, 100000));
  EXPECT_EQ(heap.size(p), 100000u);
  EXPECT_EQ(std::memcmp(p, "0123456789", 10), 0);
  p = static_cast<char*>(heap.reallocate(p, 4));
  EXPECT_EQ(std::memcmp(p, "0123", 4), 0);
  EXPECT_EQ(heap.bytesInUse(), 4u);
  heap.free(p);
  EXPECT_EQ(heap.bytesInUse(), 0u);
  EXPECT_EQ(heap.blockCount(), 0u);
  heap.free(nullptr);
}

TEST(ProgramHeap, ZeroedAllocationAndZeroedGrowth) {
  ProgramHeap heap;
  auto* p = static_cast<unsigned char*>(heap.allocateZeroed(64));
  for (int i = 0; i < 64; ++i) ASSERT_EQ(p[i], 0) << i;
  std::memset(p, 0xAB, 64);
  p = static_cast<unsigned char*>(heap.reallocate(p, 4096, true));
  EXPECT_EQ(p[63], 0xAB);
  for (int i = 64; i < 4096; ++i) ASSERT_EQ(p[i], 0) << i;
}

TEST(ProgramHeap, DuplicateCopiesAndTreatsNullAsEmpty) {
  ProgramHeap heap;
  char* a = heap.duplicate("帮助");
  EXPECT_STREQ(a, "帮助");
  EXPECT_EQ(heap.size(a), std::strlen("帮助") + 1);
  char* b = heap.duplicate(static_cast<const char*>(nullptr));
  EXPECT_STREQ(b, "");
  char* c = heap.duplicate(std::string_view("abcdef", 3));
  EXPECT_STREQ(c, "abc");
  EXPECT_EQ(heap.blockCount(), 3u);
}

TEST(ProgramHeap, SharedHeapIsOneObject) {
  EXPECT_EQ(&ProgramHeap::shared(), &ProgramHeap::shared());
  void* p = ProgramHeap::shared().allocate(1);
  EXPECT_NE(p, nullptr);
  ProgramHeap::shared().free(p);
}

class EchoPrompter : public Prompter {
 public:
  int ask(std::string_view text, unsigned flags) override {
    std::fprintf(stderr, "[%u] %.*s\n", flags, static_cast<int>(text.size()), text.data());
    return IDOK;
  }
};

TEST(ProgramHeapDeathTest, ExceedingTheCeilingTakesTheOutOfMemoryPath) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        static EchoPrompter prompter;
        setCurrentPrompter(&prompter);
        ProgramHeap heap(0x40000);
        heap.allocate(0x30000);
        heap.allocate(0x10000);  // exactly at the ceiling: still fine
        std::fprintf(stderr, "at the ceiling\n");
        heap.allocate(1);
        std::fprintf(stderr, "returned\n");
      },
      testing::ExitedWithCode(1), "at the ceiling\n\\[16\\] 没有足够的可用内存");
  EXPECT_EXIT(
      {
        static EchoPrompter prompter;
        setCurrentPrompter(&prompter);
        ProgramHeap heap(1000);
        void* p = heap.allocate(600);
        p = heap.reallocate(p, 1001);
        std::fprintf(stderr, "returned %p\n", p);
      },
      testing::ExitedWithCode(1), "^\\[16\\] 没有足够的可用内存[^\n]*\n[^\n]*\n$");
}

TEST(ProgramHeapDeathTest, ImpossibleSizesNeverReturnNull) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        static EchoPrompter prompter;
        setCurrentPrompter(&prompter);
        ProgramHeap heap;
        void* p = heap.allocate(static_cast<std::size_t>(-8));
        std::fprintf(stderr, "returned %p\n", p);
      },
      testing::ExitedWithCode(1), "没有足够的可用内存");
}

}  // namespace
