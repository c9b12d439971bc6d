#include "outbound/program_menu_lock.h"

#include <gtest/gtest.h>

#include "platform/virtual_scheduler.h"

namespace tarvex::outbound {
namespace {

TEST(ProgramMenuLock, MenuComesBackFiveSecondsAfterEachLock) {
  platform::VirtualScheduler scheduler;
  auto timer = scheduler.create_timer(5000);
  std::vector<bool> menu;
  ProgramMenuLock lock(*timer, [&](bool enabled) { menu.push_back(enabled); });

  lock.lock();
  EXPECT_EQ(menu, std::vector<bool>{false});
  scheduler.advance(4999);
  EXPECT_TRUE(lock.locked());
  scheduler.advance(1);
  EXPECT_EQ(menu, (std::vector<bool>{false, true}));
  EXPECT_FALSE(lock.locked());
  scheduler.advance(60000);  // once only
  EXPECT_EQ(menu.size(), 2u);

  // A run that ends while locked starts the five seconds again.
  lock.lock();
  scheduler.advance(3000);
  lock.lock();
  scheduler.advance(4999);
  EXPECT_EQ(menu.back(), false);
  scheduler.advance(1);
  EXPECT_EQ(menu.back(), true);
}

}  // namespace
}  // namespace tarvex::outbound
