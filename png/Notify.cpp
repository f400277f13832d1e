#include "png/Notify.h"

#include <cstdio>
#include <utility>

namespace dirsheet::png {

namespace {
NotificationHook& CurrentHook() {
  static NotificationHook hook;
  return hook;
}
}  // namespace

NotificationHook SetNotificationHook(NotificationHook hook) {
  return std::exchange(CurrentHook(), std::move(hook));
}

void Notify(const std::string& text) {
  if (CurrentHook()) {
    CurrentHook()(text);
  } else {
    std::fprintf(stderr, "%s\n", text.c_str());
  }
}

}  // namespace dirsheet::png
