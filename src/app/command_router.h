#pragma once
// Command routing: a command id goes to the first target, in the framework's
// order (view, document, frame, application), that has a handler for it.
#include <functional>
#include <map>
#include <vector>

using CommandHandler = std::function<void()>;

class CommandTarget {
 public:
  void on(int id, CommandHandler handler) { handlers_[id] = std::move(handler); }
  bool handles(int id) const { return handlers_.count(id) != 0; }
  void run(int id) const {
    auto it = handlers_.find(id);
    if (it != handlers_.end() && it->second) it->second();
  }

 private:
  std::map<int, CommandHandler> handlers_;
};

class CommandRouter {
 public:
  // Targets are asked in the order they were added.
  void add(const CommandTarget* target) { targets_.push_back(target); }
  // Runs the command; false when no target handles it.
  bool route(int id) const {
    for (const CommandTarget* t : targets_)
      if (t->handles(id)) {
        t->run(id);
        return true;
      }
    return false;
  }

 private:
  std::vector<const CommandTarget*> targets_;
};
