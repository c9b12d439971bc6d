#pragma once

#include <QPointer>
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

  // With live editing every change in a cell editor reaches the grid at once
  // (as the operator types), not only when the editor closes. On by default:
  // then whatever reads the grid (a menu entry, a menu-bar entry, a shortcut,
  // a button, a timer) sees what the open editor shows, while a click on a
  // menu or a dialog opened over the editor leaves it open.
  void set_live_editing(bool live) { live_editing_ = live; }
  bool live_editing() const { return live_editing_; }

  // Widens every column narrower than its heading, so that each heading
  // shows whole in the view's font; wider columns keep their width.
  void fit_headings();

  // The open cell editor, if any.
  QWidget* cell_editor() const;

  // Scrolls a data row (grid coordinates) into view. Rows just added count:
  // the scroll range is brought up to date first, where the view itself would
  // do it only later and cut the scroll short.
  void scroll_to_row(int row, QAbstractItemView::ScrollHint hint);

 signals:
  // The operator double-clicked a data cell (grid coordinates, row >= 1).
  void cellDoubleClicked(int col, int row);
  // The current cell moved (grid coordinates).
  void cellSelected(int col, int row);
  // The operator clicked a data cell (grid coordinates).
  void cellClicked(int col, int row);
  // Keys typed in the view or in its cell editor, before the view or the
  // editor handles them (keyDown, then keyPressed for keys that give a
  // character), and keyUp after. Auto-repeat releases give no keyUp.
  void keyDown(int key);
  void keyPressed(const QString& text);
  void keyUp(int key);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  friend class GridItemDelegate;
  void apply_width(int col);
  void apply_current();
  void editor_created(QWidget* editor);
  void announce_press(QKeyEvent* event);

  StringGridModel* model_;
  bool syncing_ = false;
  bool live_editing_ = true;
  // A key the view hands on to a new editor was announced already.
  bool forwarding_ = false;
  // The key event last announced for the editor: one the editor leaves alone
  // (Enter, arrows, every key release) comes on to the view and must not be
  // announced twice.
  struct EditorKey {
    const QKeyEvent* event = nullptr;
    int type = 0;
    int key = 0;
  };
  EditorKey editor_key_;
  bool announced_for_editor(const QKeyEvent* event);
  QPointer<QWidget> editor_;
};

}  // namespace tarvex::qt
