#include "platform/virtual_scheduler.h"

#include <gtest/gtest.h>

#include <vector>

namespace tarvex::platform {
namespace {

TEST(VirtualScheduler, TimersFireInDueOrderOnlyWhenTimeMoves) {
  VirtualScheduler s;
  std::vector<std::string> fired;
  auto a = s.create_timer(100);
  auto b = s.create_timer(250);
  a->set_handler([&] { fired.push_back("a" + std::to_string(s.now_ms())); });
  b->set_handler([&] { fired.push_back("b" + std::to_string(s.now_ms())); });
  a->set_enabled(true);
  b->set_enabled(true);
  s.process_messages();
  EXPECT_TRUE(fired.empty());
  s.advance(300);
  EXPECT_EQ(fired, (std::vector<std::string>{"a100", "a200", "b250", "a300"}));
  EXPECT_EQ(s.now_ms(), 300);
}

TEST(VirtualScheduler, StoppedTimerDoesNotFireAndRestartBeginsANewPeriod) {
  VirtualScheduler s;
  int count = 0;
  auto t = s.create_timer(5000);
  t->set_handler([&] {
    ++count;
    t->set_enabled(false);  // a one-shot, like the menu lock
  });
  t->set_enabled(true);
  s.advance(4999);
  EXPECT_EQ(count, 0);
  s.advance(1);
  EXPECT_EQ(count, 1);
  s.advance(20000);
  EXPECT_EQ(count, 1);
  t->set_enabled(true);
  s.advance(5000);
  EXPECT_EQ(count, 2);
}

TEST(VirtualScheduler, TimerDestroyedByAHandlerNeverFiresAndTimersMadeLaterDo) {
  VirtualScheduler s;
  std::vector<std::string> fired;
  auto a = s.create_timer(100);
  auto b = s.create_timer(100);  // due with a, after it
  std::unique_ptr<Timer> c;
  a->set_handler([&] {
    fired.push_back("a");
    b.reset();
    if (!c) {
      c = s.create_timer(50);
      c->set_handler([&] { fired.push_back("c"); });
      c->set_enabled(true);
    }
  });
  b->set_handler([&] { fired.push_back("b"); });
  a->set_enabled(true);
  b->set_enabled(true);
  s.advance(200);
  EXPECT_EQ(fired, (std::vector<std::string>{"a", "c", "a", "c"}));
}

TEST(VirtualScheduler, PumpRunsPostedWorkAndHookAndDoesNotReenterATimer) {
  VirtualScheduler s;
  int depth = 0, max_depth = 0, hooks = 0;
  auto t = s.create_timer(10);
  t->set_handler([&] {
    max_depth = std::max(max_depth, ++depth);
    s.sleep_ms(50);  // a wait inside a handler that pumps
    s.process_messages();
    --depth;
  });
  t->set_enabled(true);
  s.set_pump_hook([&] { ++hooks; });
  bool posted = false;
  s.post([&] { posted = true; });
  s.process_messages();
  EXPECT_TRUE(posted);
  s.advance(100);
  EXPECT_EQ(max_depth, 1);
  EXPECT_GT(hooks, 1);
}

TEST(VirtualScheduler, ClockTextsFollowVirtualTime) {
  VirtualScheduler s;
  s.set_start_time(2026, 12, 31, 23, 59, 59);
  EXPECT_EQ(s.long_time_text(), "23:59:59");
  s.advance(1000);
  EXPECT_EQ(s.long_time_text(), "00:00:00");
  EXPECT_EQ(s.short_date_text(), "2027/01/01");
}

}  // namespace
}  // namespace tarvex::platform
