// The skin tests' names for the real-input helpers of tests/support.
#pragma once

#include "tests/support/XInput.h"

namespace dirsheet::skin::testing {

using namespace dirsheet::testsupport;

}  // namespace dirsheet::skin::testing
