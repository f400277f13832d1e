// The skin tests' window helpers: the shared ones of tests/support under the names the
// skin tests use, and a recorder of the skin engine's own message boxes.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "tests/support/WinTest.h"

namespace dirsheet::skin::testing {

using namespace dirsheet::testsupport;

struct ShownMessage {
  std::string Text, Caption;
  UINT Type;
};

// Records every message box of the engine while alive.
class MessageRecorder {
 public:
  MessageRecorder();
  ~MessageRecorder();
  const std::vector<ShownMessage>& Shown() const;
  void Clear();
};

}  // namespace dirsheet::skin::testing
