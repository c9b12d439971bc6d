#pragma once

#include "platform/string_grid.h"

namespace tarvex::app {

// Where the message table and the incoming-message grid go in the main window.
struct TableLayout {
  int table_top = 108;
  int table_height = 0;
  bool incoming_visible = true;
  int incoming_height = 0;
};

enum class LayoutEvent { Start, Resize, ShowIncoming, HideIncoming };

// The layout after an event. A resize while the incoming grid is hidden keeps
// the current layout, which is returned unchanged.
TableLayout layout_for(LayoutEvent event, int client_height, const TableLayout& current);

// Keeps the last column filling the grid: if the room left after the other
// columns differs from the last column's width + 5, the last column gets that
// room - 30. Returns whether the width changed.
bool fit_last_column(platform::StringGrid& grid, int grid_width);

}  // namespace tarvex::app
