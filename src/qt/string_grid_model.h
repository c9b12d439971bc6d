#pragma once

#include <QAbstractTableModel>

#include "platform/string_grid.h"

namespace tarvex::qt {

// Shows a core StringGrid: grid row 0 is the horizontal header, grid rows 1..n
// are model rows 0..n-1. Edits go straight into the grid.
class StringGridModel final : public QAbstractTableModel, private platform::GridObserver {
  Q_OBJECT

 public:
  explicit StringGridModel(platform::StringGrid& grid, QObject* parent = nullptr);
  ~StringGridModel() override;
  StringGridModel(const StringGridModel&) = delete;
  StringGridModel& operator=(const StringGridModel&) = delete;

  // Null once the grid is gone (a window's members go before its widgets).
  platform::StringGrid* grid() { return grid_; }

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 signals:
  void columnWidthChanged(int col);
  void currentChanged();
  // A cell's text was changed through the view (not by code).
  void cellEdited(int col, int row);

 private:
  void grid_reset() override;
  void cell_changed(int col, int row) override;
  void column_width_changed(int col) override;
  void current_changed() override;
  void rows_adding(int first, int last) override;
  void rows_added() override;
  void grid_destroyed() override;

  platform::StringGrid* grid_;
};

}  // namespace tarvex::qt
