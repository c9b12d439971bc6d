#include "app/ui/user_setup_window.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/accounts.h"
#include "app/main_window_access.h"
#include "qt/string_grid_model.h"
#include "qt/string_grid_view.h"

namespace tarvex::app {

namespace {
QPushButton* button(QWidget* parent, const char* caption, const char* name) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(name);
  b->setAccessibleName(caption);
  b->setAutoDefault(false);
  return b;
}
}  // namespace

TForm10::TForm10(MainWindowAccess& main_window, QWidget* parent)
    : QDialog(parent), main_(main_window), grid_(3, 2) {
  setObjectName("TForm10");
  setWindowTitle("User Setup");
  init_user_grid(grid_);
  grid_.set_editable(true);
  grid_.set_column_width(kUserNameCol, 140);
  grid_.set_column_width(kPasswordCol, 140);
  grid_.set_column_width(kLogonAsCol, 90);

  StringGrid1 = new qt::StringGridView(grid_, this);
  StringGrid1->setObjectName("StringGrid1");
  StringGrid1->setAccessibleName("User Setup");
  // A double click selects the auto-logon account in "Logon as:" and opens
  // the editor elsewhere (StringGrid1DblClick); opening an editor on
  // "Logon as:" would write the old text back over the new selection.
  StringGrid1->setEditTriggers(QAbstractItemView::EditKeyPressed |
                               QAbstractItemView::AnyKeyPressed);
  connect(StringGrid1, &qt::StringGridView::cellDoubleClicked, this, &TForm10::StringGrid1DblClick);

  Button1 = button(this, "Add", "Button1");
  Button2 = button(this, "Remove", "Button2");
  Button3 = button(this, "Save", "Button3");
  Button4 = button(this, "Cancel", "Button4");
  connect(Button1, &QPushButton::clicked, this, &TForm10::Button1Click);
  connect(Button2, &QPushButton::clicked, this, &TForm10::Button2Click);
  connect(Button3, &QPushButton::clicked, this, &TForm10::Button3Click);
  connect(Button4, &QPushButton::clicked, this, &TForm10::Button4Click);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(StringGrid1);
  auto* buttons = new QHBoxLayout;
  for (QPushButton* b : {Button1, Button2, Button3, Button4}) buttons->addWidget(b);
  layout->addLayout(buttons);
  resize(420, 300);
}

void TForm10::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  LoadUsers();
}

void TForm10::LoadUsers() {
  app::LoadUsers(grid_, main_.session().start_file(kUserFile));
}

void TForm10::SaveUsers() {
  Session& session = main_.session();
  app::SaveUsers(session.ui, grid_, session.start_file(kUserFile));
}

void TForm10::UnselectAll() {
  app::UnselectAll(grid_);
}

void TForm10::StringGrid1DblClick(int col, int row) {
  if (col == kLogonAsCol) {
    toggle_logon(grid_, col, row);
  } else {
    StringGrid1->edit(StringGrid1->grid_model()->index(row - 1, col));
  }
}

void TForm10::Button1Click() {
  add_user_row(grid_);
}

void TForm10::Button2Click() {
  remove_user_row(grid_);
}

void TForm10::Button3Click() {
  SaveUsers();
}

void TForm10::Button4Click() {
  reject();
}

}  // namespace tarvex::app
