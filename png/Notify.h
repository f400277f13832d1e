// The decoder's one message to the user goes through this hook. The Win32 layer shows
// it in a message box with a single OK button; natively it goes to stderr unless a test
// or tool installs its own hook.
#pragma once

#include <functional>
#include <string>

namespace dirsheet::png {

using NotificationHook = std::function<void(const std::string& text)>;

// Replaces the hook and returns the previous one. An empty hook restores the default.
NotificationHook SetNotificationHook(NotificationHook hook);

void Notify(const std::string& text);

}  // namespace dirsheet::png
