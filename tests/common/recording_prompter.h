#pragma once
// A Prompter for tests: answers from a script (then with the default button of
// each question) and records every question with its text, flags, the button
// texts a message box would show and the answer given. Link wl_test_support
// and include "tests/common/recording_prompter.h".
#include <deque>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "common/messages.h"
#include "common/prompt.h"

class RecordingPrompter : public Prompter {
 public:
  struct Question {
    std::string text;
    unsigned flags = 0;
    std::vector<std::string> buttons;  // texts in the order shown
    void* owner = nullptr;             // the message owner when asked
    int answer = 0;
  };

  RecordingPrompter() = default;
  RecordingPrompter(std::initializer_list<int> answers) : script_(answers) {}

  // Answers for the next questions, in order.
  void script(std::initializer_list<int> answers) {
    script_.insert(script_.end(), answers.begin(), answers.end());
  }

  int ask(std::string_view text, unsigned flags) override {
    Question q;
    q.text = std::string(text);
    q.flags = flags;
    for (int id : messageButtons(flags)) q.buttons.push_back(messageButtonText(id));
    q.owner = currentMessageOwner();
    if (!script_.empty()) {
      q.answer = script_.front();
      script_.pop_front();
    } else {
      q.answer = defaultMessageButton(flags);
    }
    questions_.push_back(q);
    return q.answer;
  }

  const std::vector<Question>& questions() const { return questions_; }
  std::size_t count() const { return questions_.size(); }
  const Question& last() const { return questions_.back(); }
  std::size_t unusedAnswers() const { return script_.size(); }
  void forget() { questions_.clear(); }

 private:
  std::deque<int> script_;
  std::vector<Question> questions_;
};

// Installs a RecordingPrompter as the current prompter for a test's scope.
class ScopedRecordingPrompter : public RecordingPrompter {
 public:
  ScopedRecordingPrompter() : previous_(setCurrentPrompter(this)) {}
  ScopedRecordingPrompter(std::initializer_list<int> answers)
      : RecordingPrompter(answers), previous_(setCurrentPrompter(this)) {}
  ~ScopedRecordingPrompter() override { setCurrentPrompter(previous_); }
  ScopedRecordingPrompter(const ScopedRecordingPrompter&) = delete;
  ScopedRecordingPrompter& operator=(const ScopedRecordingPrompter&) = delete;

 private:
  Prompter* previous_;
};
