#include "qt/string_grid_model.h"

#include "qt/text_convert.h"

namespace tarvex::qt {

StringGridModel::StringGridModel(platform::StringGrid& grid, QObject* parent)
    : QAbstractTableModel(parent), grid_(&grid) {
  grid_->set_observer(this);
}

StringGridModel::~StringGridModel() {
  if (grid_) grid_->set_observer(nullptr);
}

int StringGridModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() || !grid_ ? 0 : std::max(grid_->row_count() - 1, 0);
}

int StringGridModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() || !grid_ ? 0 : grid_->col_count();
}

QVariant StringGridModel::data(const QModelIndex& index, int role) const {
  if (!grid_ || !index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole)) return {};
  return latin1(grid_->cell(index.column(), index.row() + 1));
}

bool StringGridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!grid_ || !index.isValid() || role != Qt::EditRole) return false;
  const int row = index.row() + 1;
  const std::string text = bytes(value.toString());
  // An editor that closes over its unchanged text (live edits are in already)
  // is no edit.
  if (grid_->cell(index.column(), row) == text) return true;
  grid_->set_cell(index.column(), row, text);
  emit cellEdited(index.column(), row);
  return true;
}

QVariant StringGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (!grid_ || role != Qt::DisplayRole) return {};
  if (orientation == Qt::Horizontal) {
    return latin1(grid_->cell(section, 0));
  }
  return section + 1;
}

Qt::ItemFlags StringGridModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  if (grid_ && grid_->editable()) f |= Qt::ItemIsEditable;
  return f;
}

void StringGridModel::grid_reset() {
  beginResetModel();
  endResetModel();
  for (int c = 0; c < grid_->col_count(); ++c) emit columnWidthChanged(c);
  emit currentChanged();
}

void StringGridModel::rows_adding(int first, int last) {
  // Grid row 0 is the header, so grid row r is model row r - 1.
  beginInsertRows(QModelIndex(), first - 1, last - 1);
}

void StringGridModel::rows_added() {
  endInsertRows();
}

void StringGridModel::cell_changed(int col, int row) {
  if (row == 0) {
    emit headerDataChanged(Qt::Horizontal, col, col);
    return;
  }
  const QModelIndex i = index(row - 1, col);
  emit dataChanged(i, i, {Qt::DisplayRole, Qt::EditRole});
}

void StringGridModel::grid_destroyed() {
  beginResetModel();
  grid_ = nullptr;
  endResetModel();
}

void StringGridModel::column_width_changed(int col) {
  emit columnWidthChanged(col);
}

void StringGridModel::current_changed() {
  emit currentChanged();
}

}  // namespace tarvex::qt
