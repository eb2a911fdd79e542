#include "common/messages.h"

#include <gtest/gtest.h>

#include "res/strings.h"
#include "tests/common/recording_prompter.h"

namespace {

constexpr unsigned kOutOfMemoryText = 20481;
constexpr unsigned kCannotOpen = 20482;  // "不能打开“%s”。"

class MessagesTest : public ::testing::Test {
 protected:
  void SetUp() override { SetMessageBoxContext(nullptr, "", false); }
  void TearDown() override { SetMessageBoxContext(nullptr, "", false); }
};

TEST_F(MessagesTest, ShowMessageAsksWithTheLoadedText) {
  ScopedRecordingPrompter prompter{IDRETRY};
  int owner = 0;
  SetMessageBoxContext(&owner, "Wrenlow", true);
  EXPECT_EQ(ShowMessage(kOutOfMemoryText, MB_RETRYCANCEL | MB_ICONERROR), IDRETRY);
  ASSERT_EQ(prompter.count(), 1u);
  EXPECT_EQ(prompter.last().text, LoadStr(kOutOfMemoryText));
  EXPECT_EQ(prompter.last().flags, MB_RETRYCANCEL | MB_ICONERROR);
  EXPECT_EQ(prompter.last().owner, &owner);
  EXPECT_EQ(messageBoxContext().caption, "Wrenlow");
  EXPECT_TRUE(messageBoxContext().doubleByte);
}

TEST_F(MessagesTest, FormattedMessageInsertsTheArgument) {
  ScopedRecordingPrompter prompter;
  EXPECT_EQ(ShowFormattedMessage(kCannotOpen, "/tmp/a.chm", MB_OK), IDOK);
  EXPECT_EQ(prompter.last().text, "不能打开“/tmp/a.chm”。");
}

TEST_F(MessagesTest, DialogMessageIsOwnedByTheDialogForThatMessageOnly) {
  ScopedRecordingPrompter prompter;
  int mainWindow = 0, dialog = 0;
  SetMessageBoxContext(&mainWindow, "Wrenlow", false);
  ShowDialogMessage(&dialog, kCannotOpen, "x", MB_OK);
  EXPECT_EQ(prompter.last().owner, &dialog);
  EXPECT_EQ(currentMessageOwner(), &mainWindow);
  ShowMessage(kCannotOpen, MB_OK);
  EXPECT_EQ(prompter.last().owner, &mainWindow);
}

TEST(FormatMessageText, OnlyTheFirstPercentSIsReplaced) {
  EXPECT_EQ(FormatMessageText("100%% of %s in %s", "a%sb"), "100% of a%sb in %s");
  EXPECT_EQ(FormatMessageText("%u and %s", "x"), "%u and x");
  EXPECT_EQ(FormatMessageText("no insert", "x"), "no insert");
  EXPECT_EQ(FormatMessageText("trailing %", "x"), "trailing %");
}

TEST(MessageButtons, ChineseTextsInTheOrderShown) {
  ScopedRecordingPrompter prompter;
  ShowMessageText("?", MB_YESNOCANCEL | MB_ICONQUESTION);
  EXPECT_EQ(prompter.last().buttons, (std::vector<std::string>{"是(&Y)", "否(&N)", "取消"}));
  ShowMessageText("?", MB_ABORTRETRYIGNORE);
  EXPECT_EQ(prompter.last().buttons,
            (std::vector<std::string>{"中止(&A)", "重试(&R)", "忽略(&I)"}));
  ShowMessageText("?", MB_OKCANCEL);
  EXPECT_EQ(prompter.last().buttons, (std::vector<std::string>{"确定", "取消"}));
  ShowMessageText("?", MB_OK);
  EXPECT_EQ(prompter.last().buttons, (std::vector<std::string>{"确定"}));
}

TEST(MessageButtons, DefaultButtonFollowsTheFlags) {
  EXPECT_EQ(defaultMessageButton(MB_YESNO), IDYES);
  EXPECT_EQ(defaultMessageButton(MB_YESNO | MB_DEFBUTTON2), IDNO);
  EXPECT_EQ(defaultMessageButton(MB_YESNOCANCEL | MB_DEFBUTTON3), IDCANCEL);
  // A default beyond the buttons falls back to the first.
  EXPECT_EQ(defaultMessageButton(MB_OKCANCEL | MB_DEFBUTTON3), IDOK);
}

TEST(RecordingPrompter, AnswersAsScriptedThenWithTheDefault) {
  ScopedRecordingPrompter prompter{IDNO, IDYES};
  EXPECT_EQ(ShowMessageText("1", MB_YESNO), IDNO);
  EXPECT_EQ(ShowMessageText("2", MB_YESNO), IDYES);
  EXPECT_EQ(ShowMessageText("3", MB_YESNO | MB_DEFBUTTON2), IDNO);
  ASSERT_EQ(prompter.count(), 3u);
  EXPECT_EQ(prompter.questions()[0].text, "1");
  EXPECT_EQ(prompter.unusedAnswers(), 0u);
}

TEST(CurrentPrompter, WithoutOneMessagesGoToStandardError) {
  ASSERT_EQ(setCurrentPrompter(nullptr), nullptr);
  SetMessageBoxContext(nullptr, "Wrenlow", false);
  testing::internal::CaptureStderr();
  const int answer = ShowMessageText("注意", MB_YESNO | MB_DEFBUTTON2);
  const std::string err = testing::internal::GetCapturedStderr();
  SetMessageBoxContext(nullptr, "", false);
  EXPECT_EQ(answer, IDNO);
  EXPECT_EQ(err, "Wrenlow: 注意\n");
}

TEST(CurrentPrompter, ScopedPrompterRestoresThePrevious) {
  RecordingPrompter outer, inner;
  {
    ScopedPrompter a(outer);
    {
      ScopedPrompter b(inner);
      ShowMessageText("inner", MB_OK);
    }
    ShowMessageText("outer", MB_OK);
  }
  EXPECT_EQ(inner.count(), 1u);
  ASSERT_EQ(outer.count(), 1u);
  EXPECT_EQ(outer.last().text, "outer");
  EXPECT_EQ(&currentPrompter(), &currentPrompter());
}

}  // namespace
