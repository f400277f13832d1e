// Collects the decoder's messages instead of showing them, for as long as it lives.
#pragma once

#include <string>
#include <vector>

#include "png/Notify.h"

namespace dirsheet::png::testing {

class CapturedMessages {
 public:
  CapturedMessages() {
    previous_ = SetNotificationHook([this](const std::string& t) { texts.push_back(t); });
  }
  ~CapturedMessages() { SetNotificationHook(previous_); }
  CapturedMessages(const CapturedMessages&) = delete;
  CapturedMessages& operator=(const CapturedMessages&) = delete;
  std::vector<std::string> texts;

 private:
  NotificationHook previous_;
};

}  // namespace dirsheet::png::testing
