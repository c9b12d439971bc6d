#include "app/main_layout.h"

#include <gtest/gtest.h>

namespace tarvex::app {
namespace {

TEST(MainLayout, FollowsTheIncomingGridCheckBox) {
  TableLayout start = layout_for(LayoutEvent::Start, 700, {});
  EXPECT_EQ(start.table_top, 108);
  EXPECT_EQ(start.table_height, 370);
  EXPECT_EQ(start.incoming_height, 190);

  TableLayout hidden = layout_for(LayoutEvent::HideIncoming, 700, start);
  EXPECT_FALSE(hidden.incoming_visible);
  EXPECT_EQ(hidden.table_top, 88);
  EXPECT_EQ(hidden.table_height, 580);
  // A resize while hidden leaves everything where it is.
  TableLayout resized = layout_for(LayoutEvent::Resize, 900, hidden);
  EXPECT_EQ(resized.table_height, 580);
  EXPECT_FALSE(resized.incoming_visible);

  TableLayout shown = layout_for(LayoutEvent::ShowIncoming, 900, resized);
  EXPECT_TRUE(shown.incoming_visible);
  EXPECT_EQ(shown.table_height, 615);
  EXPECT_EQ(shown.incoming_height, 170);
  EXPECT_EQ(layout_for(LayoutEvent::Resize, 900, shown).table_height, 635);
}

TEST(MainLayout, LastColumnTakesTheRestOfTheWidth) {
  platform::StringGrid grid(3, 2);
  grid.set_column_width(0, 100);
  grid.set_column_width(1, 50);
  EXPECT_TRUE(fit_last_column(grid, 500));
  EXPECT_EQ(grid.column_width(2), 320);
  EXPECT_FALSE(fit_last_column(grid, 500));  // settled
  EXPECT_EQ(grid.column_width(2), 320);
}

}  // namespace
}  // namespace tarvex::app
