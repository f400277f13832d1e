#include "platform/Sync.h"

#include <windows.h>

namespace dirsheet::platform {

namespace {

SRWLOCK* L(unsigned char* storage) { return reinterpret_cast<SRWLOCK*>(storage); }
CONDITION_VARIABLE* C(unsigned char* storage) {
  return reinterpret_cast<CONDITION_VARIABLE*>(storage);
}

}  // namespace

Mutex::Mutex() {
  static_assert(sizeof(SRWLOCK) <= sizeof storage_, "storage too small");
  InitializeSRWLock(L(storage_));
}
Mutex::~Mutex() = default;  // a slim lock holds nothing to release
void Mutex::Lock() { AcquireSRWLockExclusive(L(storage_)); }
void Mutex::Unlock() { ReleaseSRWLockExclusive(L(storage_)); }

Condition::Condition() {
  static_assert(sizeof(CONDITION_VARIABLE) <= sizeof storage_, "storage too small");
  InitializeConditionVariable(C(storage_));
}
Condition::~Condition() = default;

void Condition::Wait(Mutex& m) {
  SleepConditionVariableSRW(C(storage_), L(m.storage_), INFINITE, 0);
}

bool Condition::WaitFor(Mutex& m, unsigned milliseconds) {
  return SleepConditionVariableSRW(C(storage_), L(m.storage_), milliseconds, 0) != 0;
}

void Condition::NotifyOne() { WakeConditionVariable(C(storage_)); }
void Condition::NotifyAll() { WakeAllConditionVariable(C(storage_)); }

}  // namespace dirsheet::platform
