// Owners of GDI objects, memory device contexts and icons, and a guard that puts the
// previously selected object back: the platform layer's, under the skin engine's names.
#pragma once

#include <windows.h>

#include "platform/win32/Handles.h"

namespace dirsheet::skin::win32 {

using GdiObject = platform::win32::GdiOwned<HGDIOBJ>;
using MemDc = platform::win32::MemoryDcOwned;
using IconOwner = platform::win32::IconOwned;
using platform::win32::SelectGuard;

}  // namespace dirsheet::skin::win32
