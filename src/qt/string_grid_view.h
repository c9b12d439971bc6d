#pragma once

#include <QTableView>

#include "platform/string_grid.h"

namespace tarvex::qt {

class StringGridModel;

// The view of a StringGrid. It keeps the grid's current cell and column
// widths and the view's in step, in both directions.
class StringGridView final : public QTableView {
  Q_OBJECT

 public:
  explicit StringGridView(platform::StringGrid& grid, QWidget* parent = nullptr);
  StringGridView(const StringGridView&) = delete;
  StringGridView& operator=(const StringGridView&) = delete;

  StringGridModel* grid_model() { return model_; }

 signals:
  // The operator double-clicked a data cell (grid coordinates, row >= 1).
  void cellDoubleClicked(int col, int row);
  // The current cell moved (grid coordinates).
  void cellSelected(int col, int row);

 private:
  void apply_width(int col);
  void apply_current();

  StringGridModel* model_;
  bool syncing_ = false;
};

}  // namespace tarvex::qt
