#pragma once

#include <string>
#include <vector>

namespace tarvex::platform {

// Told about every change of a StringGrid, so a view can follow it.
class GridObserver {
 public:
  virtual ~GridObserver() = default;
  // Rows or columns were added or removed, or many cells changed at once.
  virtual void grid_reset() = 0;
  virtual void cell_changed(int col, int row) = 0;
  virtual void column_width_changed(int col) = 0;
  virtual void current_changed() = 0;
  // Rows first..last are about to be added at the end, and have been added.
  // A view that hears only of the new rows keeps its scroll position and
  // leaves the rows it has alone; by default the whole grid is read again.
  virtual void rows_adding(int /*first*/, int /*last*/) {}
  virtual void rows_added() { grid_reset(); }
  // The grid is going away; the observer must not touch it any more.
  virtual void grid_destroyed() = 0;
};

// The text grid of every window: cells[col][row], row 0 holds the headings and
// data rows start at 1. Besides the cells it keeps the current cell and the
// column widths in pixels, which several rules of the program read and write.
class StringGrid {
 public:
  StringGrid(int cols, int rows);
  ~StringGrid();
  StringGrid(const StringGrid&) = delete;
  StringGrid& operator=(const StringGrid&) = delete;

  int col_count() const { return static_cast<int>(cells_.size()); }
  int row_count() const { return rows_; }
  // Growing adds empty cells; shrinking drops the last rows or columns.
  void set_row_count(int rows);
  void set_col_count(int cols);
  // Adds count empty rows at the end and tells the observer of them alone.
  void add_rows(int count);

  const std::string& cell(int col, int row) const;
  // Out-of-range cells are ignored.
  void set_cell(int col, int row, const std::string& text);
  std::vector<std::string> row_cells(int row) const;
  void set_row_cells(int row, const std::vector<std::string>& cells);
  void insert_row(int before);
  void remove_row(int row);
  // Empties every cell of rows first..last.
  void clear_rows(int first, int last);

  // The current cell (Delphi's Col and Row).
  int col() const { return col_; }
  int row() const { return row_; }
  void set_current(int col, int row);

  int column_width(int col) const;
  void set_column_width(int col, int width);

  bool editable() const { return editable_; }
  void set_editable(bool editable) { editable_ = editable; }

  // Between begin_update() and end_update() no observer hears of single
  // changes; end_update() sends one grid_reset(). Updates nest.
  void begin_update();
  void end_update();

  void set_observer(GridObserver* observer) { observer_ = observer; }

 private:
  void notify_reset();
  void notify_cell(int col, int row);

  std::vector<std::vector<std::string>> cells_;
  std::vector<int> widths_;
  int rows_ = 0;
  int col_ = 0;
  int row_ = 1;
  bool editable_ = false;
  int updating_ = 0;
  GridObserver* observer_ = nullptr;
};

// RAII form of begin_update()/end_update().
class GridUpdate {
 public:
  explicit GridUpdate(StringGrid& grid) : grid_(grid) { grid_.begin_update(); }
  ~GridUpdate() { grid_.end_update(); }
  GridUpdate(const GridUpdate&) = delete;
  GridUpdate& operator=(const GridUpdate&) = delete;

 private:
  StringGrid& grid_;
};

}  // namespace tarvex::platform
