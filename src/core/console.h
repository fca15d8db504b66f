#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace kestrix {

// Where a translation's messages go: standard output and standard error.
class Console {
 public:
  virtual ~Console() = default;
  virtual void print(std::string_view text) = 0;
  virtual void printError(std::string_view text) = 0;
};

// The process's own streams; standard output is flushed when the console goes.
class StdConsole final : public Console {
 public:
  ~StdConsole() override;
  void print(std::string_view text) override;
  void printError(std::string_view text) override;
};

// Keeps both streams as strings, for tests and for passes whose messages may be dropped.
class MemoryConsole final : public Console {
 public:
  void print(std::string_view text) override { out.append(text); }
  void printError(std::string_view text) override { err.append(text); }
  std::string out;
  std::string err;
};

// Forwards to a console that can change while a translation runs (passes whose messages are
// held back until it is known that they count).
class RoutedConsole final : public Console {
 public:
  explicit RoutedConsole(Console& target) : target_(&target) {}
  void routeTo(Console& target) { target_ = &target; }
  Console& target() const { return *target_; }
  void print(std::string_view text) override { target_->print(text); }
  void printError(std::string_view text) override { target_->printError(text); }

 private:
  Console* target_;
};

// Runs `fence` before it forwards each message.
class FencedConsole final : public Console {
 public:
  FencedConsole(Console& target, std::function<void()> fence)
      : target_(target), fence_(std::move(fence)) {}
  void print(std::string_view text) override {
    fence_();
    target_.print(text);
  }
  void printError(std::string_view text) override {
    fence_();
    target_.printError(text);
  }

 private:
  Console& target_;
  std::function<void()> fence_;
};

// Routes a console elsewhere for as long as it lives, however its scope is left.
class RouteGuard {
 public:
  RouteGuard(RoutedConsole& console, Console& target)
      : console_(console), saved_(console.target()) {
    console_.routeTo(target);
  }
  ~RouteGuard() { console_.routeTo(saved_); }
  RouteGuard(const RouteGuard&) = delete;
  RouteGuard& operator=(const RouteGuard&) = delete;

 private:
  RoutedConsole& console_;
  Console& saved_;
};

}  // namespace kestrix
