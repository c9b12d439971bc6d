#include "outbound/ui/bulk_messages_window.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include "app/main_window_access.h"
#include "outbound/bulk_messages.h"
#include "outbound/list_file_dialogs.h"
#include "outbound/send_message.h"
#include "outbound/ui/message_memo.h"
#include "qt/string_grid_model.h"
#include "qt/string_grid_view.h"
#include "qt/text_convert.h"

namespace tarvex::outbound {

TForm4::TForm4(app::MainWindowAccess& main_window, QWidget* parent)
    : QDialog(parent), main_(main_window), grid_(2, 2) {
  setObjectName("TForm4");
  set_caption(kBulkCaption);
  auto* layout = new QVBoxLayout(this);
  build_menu();
  layout->setMenuBar(MainMenu1);

  auto* message_label = new QLabel("&Message:", this);
  message_label->setObjectName("Label1");
  Memo1 = new QPlainTextEdit(this);
  Memo1->setObjectName("Memo1");
  Memo1->setAccessibleName("Message:");
  Memo1->setTabChangesFocus(true);
  Memo1->setMinimumSize(380, 80);
  message_label->setBuddy(Memo1);
  layout->addWidget(message_label);
  layout->addWidget(Memo1);
  auto* counts = new QHBoxLayout;
  Label5 = new QLabel(kBulkHint, this);
  Label5->setObjectName("Label5");
  auto* left_label = new QLabel("Characters left:", this);
  left_label->setObjectName("Label3");
  Label4 = new QLabel(this);
  Label4->setObjectName("Label4");
  left_label->setBuddy(Label4);
  counts->addWidget(Label5);
  counts->addStretch();
  counts->addWidget(left_label);
  counts->addWidget(Label4);
  layout->addLayout(counts);
  limit_message_length(Memo1, Label4, kMaxMessageLength);

  reset_number_grid(grid_);
  grid_.set_editable(true);
  grid_.set_column_width(0, 200);
  grid_.set_column_width(1, 120);
  StringGrid1 = new qt::StringGridView(grid_, this);
  StringGrid1->setObjectName("StringGrid1");
  StringGrid1->setAccessibleName("Numbers");
  // A double click toggles the selection; typing (or F2) edits a cell.
  StringGrid1->setEditTriggers(QAbstractItemView::EditKeyPressed |
                               QAbstractItemView::AnyKeyPressed);
  StringGrid1->horizontalHeader()->setStretchLastSection(true);
  StringGrid1->setMinimumSize(380, 220);
  StringGrid1->setToolTip("Double click on Select/Unselect to select a number");
  layout->addWidget(StringGrid1);

  auto* buttons = new QHBoxLayout;
  Button2 = new QPushButton("&Add Number", this);
  Button2->setObjectName("Button2");
  Button3 = new QPushButton("&Remove Number", this);
  Button3->setObjectName("Button3");
  for (QPushButton* b : {Button2, Button3}) {
    b->setAutoDefault(false);
    buttons->addWidget(b);
  }
  buttons->addStretch();
  layout->addLayout(buttons);
  Button3->setEnabled(false);

  tag_source = clock_seeded_tag_source();
  Memo1->installEventFilter(this);
  connect(Button2, &QPushButton::clicked, this, &TForm4::Button2Click);
  connect(Button3, &QPushButton::clicked, this, &TForm4::Button3Click);
  connect(StringGrid1, &qt::StringGridView::cellDoubleClicked, this,
          [this] { StringGrid1DblClick(); });
  // A typed number changes the list as much as an added one.
  connect(StringGrid1->grid_model(), &qt::StringGridModel::cellEdited, this, [this](int col, int) {
    if (col == 0) mark_changed();
  });
}

void TForm4::build_menu() {
  MainMenu1 = window_menu_bar(this);
  auto add = [this](QMenu* menu, const char* name, const QString& caption, auto handler) {
    QAction* a = menu->addAction(caption);
    a->setObjectName(name);
    if (handler) connect(a, &QAction::triggered, this, handler);
    return a;
  };
  using Handler = void (TForm4::*)();
  QMenu* file = MainMenu1->addMenu("&File");
  file->setObjectName("File1");
  add(file, "NewGroup1", "&New Group", &TForm4::NewGroup1Click);
  add(file, "OpenGroup1", "&Open Group", &TForm4::OpenGroup1Click);
  add(file, "SaveGroup1", "&Save Group", &TForm4::SaveGroup1Click);
  file->addSeparator();
  add(file, "UpdateDatabaseoutofDirectory1", "&Update Database out of Directory",
      &TForm4::UpdateDatabaseoutofDirectory1Click);
  add(file, "UpdateDatabaseFromExcelSpredsheet1", "Update Database From &Excel Spredsheet",
      Handler{})
      ->setEnabled(false);
  file->addSeparator();
  add(file, "Exit1", "E&xit", &QDialog::reject);
  QMenu* select = MainMenu1->addMenu("S&elect");
  select->setObjectName("Select1");
  add(select, "SelectAllNumbers1", "Select &All Numbers", &TForm4::SelectAllNumbers1Click);
  add(select, "UnselectAllNumbers1", "&Unselect All Numbers", &TForm4::UnselectAllNumbers1Click);
  QAction* send = MainMenu1->addAction("&Send");
  send->setObjectName("Send1");
  connect(send, &QAction::triggered, this, &TForm4::Send1Click);
}

QAction* TForm4::action(const char* name) const {
  return MainMenu1->findChild<QAction*>(name);
}

void TForm4::set_caption(const std::string& caption) {
  caption_ = caption;
  setWindowTitle(qt::path_text(caption));
}

void TForm4::mark_changed() {
  set_caption(marked_caption(caption_));
}

// The caption's "*" marks a changed list that has a file.
bool TForm4::confirm_discard_changes() {
  return confirm_discard(main_.session().ui, windowTitle().contains('*'),
                         [this] { SaveGroup1Click(); });
}

void TForm4::reject() {
  if (confirm_discard_changes()) QDialog::reject();
}

void TForm4::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!event->spontaneous()) Button3->setEnabled(grid_.row_count() > 2);
}

bool TForm4::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Memo1 && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    // Warned, but the line break still goes in.
    if (key == Qt::Key_Return || key == Qt::Key_Enter)
      main_.session().ui.message(kNoCarriageReturns);
  }
  return QDialog::eventFilter(watched, event);
}

void TForm4::NewGroup1Click() {
  if (!confirm_discard_changes()) return;
  reset_number_grid(grid_);
  set_caption(kBulkCaption);
}

void TForm4::OpenGroup1Click() {
  if (!confirm_discard_changes()) return;
  const auto group = open_group(main_.session());
  if (!group) return;
  show_numbers(grid_, group->numbers);
  Button3->setEnabled(true);
  set_caption(group->caption);
}

void TForm4::SaveGroup1Click() {
  if (const auto caption = save_group(main_.session(), grid_numbers(grid_))) set_caption(*caption);
}

void TForm4::UpdateDatabaseoutofDirectory1Click() {
  const auto numbers = numbers_from_directory(main_.session());
  if (!numbers) return;
  add_numbers(grid_, *numbers);
  Button3->setEnabled(true);
}

void TForm4::SelectAllNumbers1Click() {
  mark_all(grid_, kSelected);
}

void TForm4::UnselectAllNumbers1Click() {
  mark_all(grid_, kUnselected);
}

void TForm4::Send1Click() {
  bulk_send(main_.session(), grid_, memo_bytes(Memo1), tag_source);
}

void TForm4::Button2Click() {
  add_number_row(grid_);
  Button3->setEnabled(true);
  mark_changed();
  StringGrid1->setFocus();
}

void TForm4::Button3Click() {
  if (remove_number_row(grid_)) mark_changed();
}

void TForm4::StringGrid1DblClick() {
  toggle_selection(grid_);
}

}  // namespace tarvex::outbound
