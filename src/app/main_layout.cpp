#include "app/main_layout.h"

namespace tarvex::app {

TableLayout layout_for(LayoutEvent event, int client_height, const TableLayout& current) {
  TableLayout l = current;
  switch (event) {
    case LayoutEvent::Start:
      l.table_top = 108;
      l.table_height = client_height - 330;
      l.incoming_visible = true;
      l.incoming_height = client_height - l.table_height - 140;
      break;
    case LayoutEvent::Resize:
      if (!current.incoming_visible) break;
      l.table_top = 108;
      l.table_height = client_height - 265;
      l.incoming_height = client_height - l.table_height - 140;
      break;
    case LayoutEvent::ShowIncoming:
      l.table_top = 88;
      l.table_height = client_height - 285;
      l.incoming_visible = true;
      l.incoming_height = client_height - l.table_height - 115;
      break;
    case LayoutEvent::HideIncoming:
      l.table_top = 88;
      l.table_height = client_height - 120;
      l.incoming_visible = false;
      break;
  }
  return l;
}

bool fit_last_column(platform::StringGrid& grid, int grid_width) {
  const int last = grid.col_count() - 1;
  if (last < 0) return false;
  int rest = grid_width;
  for (int c = 0; c < last; ++c) rest -= grid.column_width(c);
  if (rest == grid.column_width(last) + 5 || grid.column_width(last) == rest - 30) return false;
  grid.set_column_width(last, rest - 30);
  return true;
}

}  // namespace tarvex::app
