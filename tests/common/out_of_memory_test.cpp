#include "common/out_of_memory.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <new>

#include "common/messages.h"

namespace {

// Death tests run in a child; what the child's prompter and close function
// see is written to standard error, where the parent matches it.
class EchoPrompter : public Prompter {
 public:
  int ask(std::string_view text, unsigned flags) override {
    std::fprintf(stderr, "[flags %u] %.*s\n", flags, static_cast<int>(text.size()), text.data());
    return IDOK;
  }
};

void echoClose(void* owner) { std::fprintf(stderr, "close %s\n", static_cast<const char*>(owner)); }

TEST(OutOfMemoryDeathTest, ShowsTheMessageClosesTheOwnerAndExitsWithOne) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        static EchoPrompter prompter;
        setCurrentPrompter(&prompter);
        static char owner[] = "main-window";
        SetMessageBoxContext(owner, "Wrenlow", false);
        setOutOfMemoryCloseOwner(echoClose);
        OutOfMemory();
      },
      testing::ExitedWithCode(1),
      "\\[flags 16\\] 没有足够的可用内存用于该项任务。(.|\n)*close main-window");
}

TEST(OutOfMemoryDeathTest, WithoutAnOwnerNothingIsClosed) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        static EchoPrompter prompter;
        setCurrentPrompter(&prompter);
        setOutOfMemoryCloseOwner(echoClose);
        OutOfMemory();
        std::fprintf(stderr, "still running\n");
      },
      testing::ExitedWithCode(1), "^\\[flags 16\\][^\n]*\n[^\n]*\n$");
}

#if defined(__SANITIZE_ADDRESS__)
#define WL_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define WL_ASAN 1
#endif
#endif

TEST(OutOfMemoryDeathTest, TheNewHandlerTakesTheSamePath) {
#ifdef WL_ASAN
  GTEST_SKIP() << "AddressSanitizer aborts on impossible allocations instead of failing them";
#else
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        static EchoPrompter prompter;
        setCurrentPrompter(&prompter);
        InstallOutOfMemoryHandler();
        void* p = ::operator new(static_cast<std::size_t>(-1) / 2);
        std::fprintf(stderr, "allocated %p\n", p);
      },
      testing::ExitedWithCode(1), "没有足够的可用内存");
#endif
}

}  // namespace
