#pragma once

#include <functional>

#include "platform/scheduler.h"

namespace tarvex::outbound {

// Keeps the "Program" menu disabled for one period of its timer after a run,
// so that a second click right after a run can not send the same rows again
// before the operator has seen the outcome. The period runs from lock(),
// whether or not the count message is still open.
class ProgramMenuLock {
 public:
  // The timer is the window's (stopped, with its interval); the lock takes
  // over its handler.
  ProgramMenuLock(platform::Timer& timer, std::function<void(bool enabled)> set_menu_enabled);
  ProgramMenuLock(const ProgramMenuLock&) = delete;
  ProgramMenuLock& operator=(const ProgramMenuLock&) = delete;

  void lock();
  bool locked() const { return timer_.enabled(); }

 private:
  void expire();

  platform::Timer& timer_;
  std::function<void(bool)> set_menu_enabled_;
};

}  // namespace tarvex::outbound
