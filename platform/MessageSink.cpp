#include "platform/MessageSink.h"

#include <atomic>
#include <iostream>

namespace bx {
namespace {

std::atomic<MessageSink*> installedSink{nullptr};

}  // namespace

StreamMessageSink::StreamMessageSink(std::ostream& out) : out_(out) {}

void StreamMessageSink::ShowMessage(const std::string& text) {
  std::lock_guard<std::mutex> guard(mutex_);
  out_ << text << std::endl;
}

MessageSink& CurrentMessageSink() {
  static StreamMessageSink standardError(std::cerr);
  MessageSink* sink = installedSink.load();
  return sink ? *sink : standardError;
}

void InstallMessageSink(MessageSink* sink) { installedSink.store(sink); }

void ShowMessage(const std::string& text) { CurrentMessageSink().ShowMessage(text); }

}  // namespace bx
