#pragma once

#include <mutex>
#include <ostream>
#include <string>
#include <vector>

namespace bx {

// Where the program's message boxes go: a dialog in the user interface, a log or
// stream when headless, a list in tests.
class MessageSink {
 public:
  virtual ~MessageSink() = default;
  virtual void ShowMessage(const std::string& text) = 0;
};

// Writes each message as one line to a stream (standard error by default).
class StreamMessageSink final : public MessageSink {
 public:
  explicit StreamMessageSink(std::ostream& out);
  void ShowMessage(const std::string& text) override;

 private:
  std::mutex mutex_;
  std::ostream& out_;
};

// Keeps every message for inspection.
class RecordingMessageSink final : public MessageSink {
 public:
  void ShowMessage(const std::string& text) override {
    std::lock_guard<std::mutex> guard(mutex_);
    messages_.push_back(text);
  }
  std::vector<std::string> Messages() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return messages_;
  }

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> messages_;
};

// The process-wide sink; standard error until one is installed. The caller keeps the
// installed sink alive until it installs another (nullptr restores standard error).
MessageSink& CurrentMessageSink();
void InstallMessageSink(MessageSink* sink);
// Shows a message through the current sink.
void ShowMessage(const std::string& text);

}  // namespace bx
