#include "platform/string_grid.h"

#include <algorithm>

namespace tarvex::platform {

namespace {
const std::string kEmpty;
constexpr int kDefaultWidth = 64;
}  // namespace

StringGrid::StringGrid(int cols, int rows) {
  rows_ = std::max(rows, 0);
  cells_.assign(std::max(cols, 0), std::vector<std::string>(rows_));
  widths_.assign(cells_.size(), kDefaultWidth);
}

StringGrid::~StringGrid() {
  if (observer_) observer_->grid_destroyed();
}

void StringGrid::set_row_count(int rows) {
  rows = std::max(rows, 0);
  if (rows == rows_) return;
  for (auto& column : cells_) column.resize(rows);
  rows_ = rows;
  if (row_ >= rows_) row_ = std::max(rows_ - 1, 0);
  notify_reset();
}

void StringGrid::add_rows(int count) {
  if (count <= 0) return;
  // Without its heading row the grid has no place for data rows yet.
  const bool heading = rows_ > 0;
  if (heading && observer_ && !updating_) observer_->rows_adding(rows_, rows_ + count - 1);
  for (auto& column : cells_) column.resize(rows_ + count);
  rows_ += count;
  if (!heading) {
    notify_reset();
  } else if (observer_ && !updating_) {
    observer_->rows_added();
  }
}

void StringGrid::set_col_count(int cols) {
  cols = std::max(cols, 0);
  if (cols == col_count()) return;
  cells_.resize(cols, std::vector<std::string>(rows_));
  widths_.resize(cols, kDefaultWidth);
  if (col_ >= cols) col_ = std::max(cols - 1, 0);
  notify_reset();
}

const std::string& StringGrid::cell(int col, int row) const {
  if (col < 0 || col >= col_count() || row < 0 || row >= rows_) return kEmpty;
  return cells_[col][row];
}

void StringGrid::set_cell(int col, int row, const std::string& text) {
  if (col < 0 || col >= col_count() || row < 0 || row >= rows_) return;
  if (cells_[col][row] == text) return;
  cells_[col][row] = text;
  notify_cell(col, row);
}

std::vector<std::string> StringGrid::row_cells(int row) const {
  std::vector<std::string> out;
  out.reserve(cells_.size());
  for (int c = 0; c < col_count(); ++c) out.push_back(cell(c, row));
  return out;
}

void StringGrid::set_row_cells(int row, const std::vector<std::string>& cells) {
  for (int c = 0; c < col_count(); ++c)
    set_cell(c, row, c < static_cast<int>(cells.size()) ? cells[c] : kEmpty);
}

void StringGrid::insert_row(int before) {
  before = std::clamp(before, 0, rows_);
  for (auto& column : cells_) column.insert(column.begin() + before, std::string());
  ++rows_;
  notify_reset();
}

void StringGrid::remove_row(int row) {
  if (row < 0 || row >= rows_) return;
  for (auto& column : cells_) column.erase(column.begin() + row);
  --rows_;
  if (row_ >= rows_) row_ = std::max(rows_ - 1, 0);
  notify_reset();
}

void StringGrid::clear_rows(int first, int last) {
  first = std::max(first, 0);
  last = std::min(last, rows_ - 1);
  if (first > last) return;
  for (auto& column : cells_)
    for (int r = first; r <= last; ++r) column[r].clear();
  notify_reset();
}

void StringGrid::set_current(int col, int row) {
  if (col == col_ && row == row_) return;
  col_ = col;
  row_ = row;
  if (observer_ && !updating_) observer_->current_changed();
}

int StringGrid::column_width(int col) const {
  return col >= 0 && col < static_cast<int>(widths_.size()) ? widths_[col] : 0;
}

void StringGrid::set_column_width(int col, int width) {
  if (col < 0 || col >= static_cast<int>(widths_.size()) || widths_[col] == width) return;
  widths_[col] = width;
  if (observer_ && !updating_) observer_->column_width_changed(col);
}

void StringGrid::begin_update() {
  ++updating_;
}

void StringGrid::end_update() {
  if (updating_ > 0 && --updating_ == 0) {
    // Widths and the current cell may have changed unseen too; a reset makes
    // the view read everything again.
    if (observer_) observer_->grid_reset();
  }
}

void StringGrid::notify_reset() {
  if (observer_ && !updating_) observer_->grid_reset();
}

void StringGrid::notify_cell(int col, int row) {
  if (observer_ && !updating_) observer_->cell_changed(col, row);
}

}  // namespace tarvex::platform
