#include "outbound/program_menu_lock.h"

namespace tarvex::outbound {

ProgramMenuLock::ProgramMenuLock(platform::Timer& timer,
                                 std::function<void(bool enabled)> set_menu_enabled)
    : timer_(timer), set_menu_enabled_(std::move(set_menu_enabled)) {
  timer_.set_handler([this] { expire(); });
}

void ProgramMenuLock::lock() {
  set_menu_enabled_(false);
  timer_.set_enabled(true);
}

void ProgramMenuLock::expire() {
  timer_.set_enabled(false);
  set_menu_enabled_(true);
}

}  // namespace tarvex::outbound
