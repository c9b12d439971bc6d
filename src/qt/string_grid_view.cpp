#include "qt/string_grid_view.h"

#include <QApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QStyledItemDelegate>

#include "qt/string_grid_model.h"

namespace tarvex::qt {

// The cell editor of every grid: tells the view of each editor it opens, and
// leaves an editor's text alone when the grid already holds it, so that live
// edits do not move the cursor.
class GridItemDelegate final : public QStyledItemDelegate {
 public:
  explicit GridItemDelegate(StringGridView* view) : QStyledItemDelegate(view), view_(view) {}

  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const override {
    QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
    if (editor) view_->editor_created(editor);
    if (auto* line = qobject_cast<QLineEdit*>(editor)) {
      auto* self = const_cast<GridItemDelegate*>(this);
      connect(line, &QLineEdit::textEdited, self, [self, line] {
        if (self->view_->live_editing()) emit self->commitData(line);
      });
    }
    return editor;
  }

  // A message box raised over the editor while the operator types (a length
  // warning) takes the focus for a moment; the editor stays open, so that
  // typing carries on where it was instead of starting a new editor over the
  // cell's text. Every other loss of focus (a button, another control of the
  // same window, modal or not) commits the typed text first.
  bool eventFilter(QObject* object, QEvent* event) override {
    if (event->type() == QEvent::FocusOut && covered_by_modal_box(object)) return false;
    return QStyledItemDelegate::eventFilter(object, event);
  }

  static bool covered_by_modal_box(QObject* object) {
    auto* editor = qobject_cast<QWidget*>(object);
    QWidget* modal = QApplication::activeModalWidget();
    return editor && modal && modal != editor->window();
  }

  void setEditorData(QWidget* editor, const QModelIndex& index) const override {
    if (auto* line = qobject_cast<QLineEdit*>(editor))
      if (line->text() == index.data(Qt::EditRole).toString()) return;
    QStyledItemDelegate::setEditorData(editor, index);
  }

 private:
  StringGridView* view_;
};

StringGridView::StringGridView(platform::StringGrid& grid, QWidget* parent)
    : QTableView(parent), model_(new StringGridModel(grid, this)) {
  setModel(model_);
  setItemDelegate(new GridItemDelegate(this));
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
  connect(this, &QAbstractItemView::clicked, this, [this](const QModelIndex& index) {
    if (index.isValid()) emit cellClicked(index.column(), index.row() + 1);
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

void StringGridView::fit_headings() {
  platform::StringGrid* grid = model_->grid();
  if (!grid) return;
  for (int c = 0; c < grid->col_count(); ++c) {
    const int needed = horizontalHeader()->sectionSizeHint(c);
    if (grid->column_width(c) < needed) grid->set_column_width(c, needed);
  }
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

void StringGridView::scroll_to_row(int row, QAbstractItemView::ScrollHint hint) {
  const QModelIndex target = model_->index(row - 1, 0);
  if (!target.isValid()) return;
  updateGeometries();
  scrollTo(target, hint);
}

QWidget* StringGridView::cell_editor() const {
  return state() == QAbstractItemView::EditingState ? editor_.data() : nullptr;
}

void StringGridView::editor_created(QWidget* editor) {
  editor_ = editor;
  editor->installEventFilter(this);
}

void StringGridView::announce_press(QKeyEvent* event) {
  emit keyDown(event->key());
  if (!event->text().isEmpty()) emit keyPressed(event->text());
}

bool StringGridView::announced_for_editor(const QKeyEvent* event) {
  const bool same = event == editor_key_.event && event->type() == editor_key_.type &&
                    event->key() == editor_key_.key;
  editor_key_ = {};
  return same;
}

void StringGridView::keyPressEvent(QKeyEvent* event) {
  if (!announced_for_editor(event)) announce_press(event);
  // A key that opens an editor is handed on to it; it was announced here.
  forwarding_ = true;
  QTableView::keyPressEvent(event);
  forwarding_ = false;
}

void StringGridView::keyReleaseEvent(QKeyEvent* event) {
  if (!announced_for_editor(event) && !event->isAutoRepeat()) emit keyUp(event->key());
  QTableView::keyReleaseEvent(event);
}

bool StringGridView::eventFilter(QObject* watched, QEvent* event) {
  if (watched == editor_ && editor_) {
    if (event->type() == QEvent::KeyPress && !forwarding_) {
      auto* key = static_cast<QKeyEvent*>(event);
      editor_key_ = {key, key->type(), key->key()};
      announce_press(key);
    } else if (event->type() == QEvent::KeyRelease) {
      auto* key = static_cast<QKeyEvent*>(event);
      editor_key_ = {key, key->type(), key->key()};
      if (!key->isAutoRepeat()) emit keyUp(key->key());
    }
  }
  return QTableView::eventFilter(watched, event);
}

}  // namespace tarvex::qt
