#pragma once

#include <string>

#include "platform/string_grid.h"
#include "platform/ui.h"

namespace tarvex::outbound {

// Keeps a view from following every single cell a programming run writes, but
// lets it catch up before each modal message so the operator sees the
// outcomes of the rows before it.
class BatchedGrid {
 public:
  explicit BatchedGrid(platform::StringGrid& grid) : grid_(grid) { grid_.begin_update(); }
  ~BatchedGrid() { finish(); }
  BatchedGrid(const BatchedGrid&) = delete;
  BatchedGrid& operator=(const BatchedGrid&) = delete;

  // Shows the grid as it stands, then the message; batching resumes after it.
  void tell(platform::Ui& ui, const std::string& text) {
    finish();
    ui.message(text);
    grid_.begin_update();
    open_ = true;
  }
  void finish() {
    if (open_) grid_.end_update();
    open_ = false;
  }

 private:
  platform::StringGrid& grid_;
  bool open_ = true;
};

}  // namespace tarvex::outbound
