// A lock and a condition for the threads of one process. On Windows they are the slim
// reader/writer lock and the condition variable of the system, which wait in the process
// itself: under Wine the mutex and condition of the POSIX thread layer cost a round trip
// to wineserver each time a thread sleeps or is woken.
#pragma once

#include <cstddef>

namespace dirsheet::platform {

class Mutex {
 public:
  Mutex();
  ~Mutex();
  Mutex(const Mutex&) = delete;
  Mutex& operator=(const Mutex&) = delete;
  void Lock();
  void Unlock();

 private:
  friend class Condition;
  alignas(std::max_align_t) unsigned char storage_[64];
};

// Holds a mutex for the length of a scope; can let go of it and take it again inside.
class Locked {
 public:
  explicit Locked(Mutex& m) : m_(m) { m_.Lock(); }
  ~Locked() {
    if (held_) m_.Unlock();
  }
  Locked(const Locked&) = delete;
  Locked& operator=(const Locked&) = delete;
  void Unlock() {
    m_.Unlock();
    held_ = false;
  }
  void Lock() {
    m_.Lock();
    held_ = true;
  }

 private:
  Mutex& m_;
  bool held_ = true;
};

class Condition {
 public:
  Condition();
  ~Condition();
  Condition(const Condition&) = delete;
  Condition& operator=(const Condition&) = delete;
  // Waits, with `m` held on entry and on return, until woken (or, rarely, for no reason).
  void Wait(Mutex& m);
  // The same, for at most `milliseconds`; false when the time ran out.
  bool WaitFor(Mutex& m, unsigned milliseconds);
  void NotifyOne();
  void NotifyAll();

 private:
  alignas(std::max_align_t) unsigned char storage_[64];
};

}  // namespace dirsheet::platform
