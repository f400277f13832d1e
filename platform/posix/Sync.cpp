#include "platform/Sync.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <new>

namespace dirsheet::platform {

namespace {

std::mutex& M(unsigned char* storage) {
  return *std::launder(reinterpret_cast<std::mutex*>(storage));
}
std::condition_variable& C(unsigned char* storage) {
  return *std::launder(reinterpret_cast<std::condition_variable*>(storage));
}

}  // namespace

Mutex::Mutex() {
  static_assert(sizeof(std::mutex) <= sizeof storage_, "storage too small");
  new (storage_) std::mutex();
}
Mutex::~Mutex() { M(storage_).~mutex(); }
void Mutex::Lock() { M(storage_).lock(); }
void Mutex::Unlock() { M(storage_).unlock(); }

Condition::Condition() {
  static_assert(sizeof(std::condition_variable) <= sizeof storage_, "storage too small");
  new (storage_) std::condition_variable();
}
Condition::~Condition() { C(storage_).~condition_variable(); }

void Condition::Wait(Mutex& m) {
  std::unique_lock<std::mutex> lock(M(m.storage_), std::adopt_lock);
  C(storage_).wait(lock);
  lock.release();
}

bool Condition::WaitFor(Mutex& m, unsigned milliseconds) {
  std::unique_lock<std::mutex> lock(M(m.storage_), std::adopt_lock);
  const bool woken = C(storage_).wait_for(lock, std::chrono::milliseconds(milliseconds)) ==
                     std::cv_status::no_timeout;
  lock.release();
  return woken;
}

void Condition::NotifyOne() { C(storage_).notify_one(); }
void Condition::NotifyAll() { C(storage_).notify_all(); }

}  // namespace dirsheet::platform
