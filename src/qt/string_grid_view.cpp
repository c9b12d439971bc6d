#include "qt/string_grid_view.h"

#include <QHeaderView>
#include <QItemSelectionModel>

#include "qt/string_grid_model.h"

namespace tarvex::qt {

StringGridView::StringGridView(platform::StringGrid& grid, QWidget* parent)
    : QTableView(parent), model_(new StringGridModel(grid, this)) {
  setModel(model_);
  setSelectionBehavior(QAbstractItemView::SelectItems);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                  QAbstractItemView::AnyKeyPressed);
  // Fixed row heights: the view never measures rows, so large tables load fast.
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
  verticalHeader()->hide();
  horizontalHeader()->setStretchLastSection(false);
  horizontalHeader()->setHighlightSections(false);
  for (int c = 0; c < grid.col_count(); ++c) apply_width(c);

  connect(model_, &StringGridModel::columnWidthChanged, this, &StringGridView::apply_width);
  connect(model_, &StringGridModel::currentChanged, this, &StringGridView::apply_current);
  connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this](int col, int, int width) {
    if (!syncing_ && model_->grid()) model_->grid()->set_column_width(col, width);
  });
  connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& current, const QModelIndex&) {
            if (syncing_ || !current.isValid() || !model_->grid()) return;
            syncing_ = true;
            model_->grid()->set_current(current.column(), current.row() + 1);
            syncing_ = false;
            emit cellSelected(current.column(), current.row() + 1);
          });
  connect(this, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
    if (index.isValid()) emit cellDoubleClicked(index.column(), index.row() + 1);
  });
  apply_current();
}

void StringGridView::apply_width(int col) {
  const platform::StringGrid* grid = model_->grid();
  if (!grid || col < 0 || col >= grid->col_count()) return;
  syncing_ = true;
  setColumnWidth(col, grid->column_width(col));
  syncing_ = false;
}

void StringGridView::apply_current() {
  const platform::StringGrid* grid = model_->grid();
  if (syncing_ || !grid) return;
  const QModelIndex target = model_->index(grid->row() - 1, grid->col());
  if (!target.isValid() || target == currentIndex()) return;
  syncing_ = true;
  selectionModel()->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect);
  syncing_ = false;
}

}  // namespace tarvex::qt
