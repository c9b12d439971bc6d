#include "outbound/ui/control_panel_window.h"

#include <algorithm>

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/main_window_access.h"
#include "export/semicolon_table.h"
#include "outbound/list_file_dialogs.h"
#include "outbound/ui/message_memo.h"
#include "qt/string_grid_model.h"
#include "qt/string_grid_view.h"
#include "qt/text_convert.h"

namespace tarvex::outbound {

using qt::bytes;
using qt::latin1;

namespace {

constexpr int kPasswordTypedLength = 4;

// A password read from a file or taken from the main window shows whole (it
// is sent and saved as it is); the four-character limit is for typing.
void show_password(QLineEdit* edit, const std::string& password) {
  edit->setMaxLength(std::max(kPasswordTypedLength, static_cast<int>(password.size())));
  edit->setText(latin1(password));
}

}  // namespace

TForm8::TForm8(app::MainWindowAccess& main_window, EmailChannel& email, QWidget* parent)
    : QDialog(parent), main_(main_window), email_(email), grid_(2, 2) {
  setObjectName("TForm8");
  setWindowTitle("Control Pannel");
  auto* layout = new QVBoxLayout(this);
  build_menu();
  layout->setMenuBar(MainMenu1);

  auto* fields = new QGridLayout;
  auto edit = [&](QLineEdit*& target, const char* name, const QString& caption, int row) {
    auto* label = new QLabel(caption, this);
    label->setObjectName(QString(name) + "Label");
    target = new QLineEdit(this);
    target->setObjectName(name);
    target->setAccessibleName(QString(caption).remove('&'));
    label->setBuddy(target);
    fields->addWidget(label, row, 0);
    fields->addWidget(target, row, 1);
  };
  edit(Edit1, "Edit1", "&Unit Number:", 0);
  edit(Edit2, "Edit2", "&Password:", 1);
  edit(Edit3, "Edit3", "&Description:", 2);
  Edit1->setText("+27");
  Edit2->setMaxLength(kPasswordTypedLength);
  layout->addLayout(fields);

  reset_function_grid(grid_);
  grid_.set_editable(true);
  grid_.set_column_width(0, 260);
  grid_.set_column_width(1, 140);
  StringGrid1 = new qt::StringGridView(grid_, this);
  StringGrid1->setObjectName("StringGrid1");
  StringGrid1->setAccessibleName("Functions");
  // A double click sends; typing (or F2) edits a cell.
  StringGrid1->setEditTriggers(QAbstractItemView::EditKeyPressed |
                               QAbstractItemView::AnyKeyPressed);
  StringGrid1->horizontalHeader()->setStretchLastSection(true);
  StringGrid1->setMinimumSize(420, 220);
  StringGrid1->setToolTip("Double click on a function to send it to the unit");
  layout->addWidget(StringGrid1);

  auto* row = new QHBoxLayout;
  Button1 = new QPushButton("&Add Function", this);
  Button1->setObjectName("Button1");
  Button2 = new QPushButton("&Remove Function", this);
  Button2->setObjectName("Button2");
  for (QPushButton* b : {Button1, Button2}) {
    b->setAutoDefault(false);
    row->addWidget(b);
  }
  row->addStretch();
  CheckBox1 = new QCheckBox("Send via &Email", this);
  CheckBox1->setObjectName("CheckBox1");
  CheckBox2 = new QCheckBox("Send using al&t settings", this);
  CheckBox2->setObjectName("CheckBox2");
  row->addWidget(CheckBox1);
  row->addWidget(CheckBox2);
  layout->addLayout(row);

  Label3 = new QLabel(kNoMessageSendYet, this);
  Label3->setObjectName("Label3");
  Label3->setStyleSheet("color: red;");
  layout->addWidget(Label3);
  Label5 = new QLabel(this);
  Label5->setObjectName("Label5");
  Label5->setText(kFunctionDirCaption + qt::path_text(main_.session().settings.function_folder));
  layout->addWidget(Label5);
  main_.on_function_folder_changed = [this](const std::string& folder) {
    Label5->setText(kFunctionDirCaption + qt::path_text(folder));
  };

  Timer1 = main_.session().scheduler.create_timer(kFunctionStatusMs);
  Timer1->set_handler([this] { Timer1Timer(); });
  tag_source = clock_seeded_tag_source();

  connect(Button1, &QPushButton::clicked, this, &TForm8::Button1Click);
  connect(Button2, &QPushButton::clicked, this, &TForm8::Button2Click);
  connect(StringGrid1, &qt::StringGridView::cellDoubleClicked, this,
          [this] { StringGrid1DblClick(); });
  connect(StringGrid1->grid_model(), &qt::StringGridModel::cellEdited, this,
          [this] { changed_ = true; });
}

TForm8::~TForm8() {
  main_.on_function_folder_changed = nullptr;
}

void TForm8::build_menu() {
  MainMenu1 = window_menu_bar(this);
  auto add = [](QMenu* menu, const char* name, const QString& caption) {
    QAction* a = menu->addAction(caption);
    a->setObjectName(name);
    return a;
  };
  QMenu* file = MainMenu1->addMenu("&File");
  file->setObjectName("File1");
  connect(add(file, "NewUnit1", "&New Unit"), &QAction::triggered, this, &TForm8::NewUnit1Click);
  connect(add(file, "OpenUnit1", "&Open Unit"), &QAction::triggered, this, &TForm8::OpenUnit1Click);
  connect(add(file, "SaveUnit1", "&Save Unit"), &QAction::triggered, this, &TForm8::SaveUnit1Click);
  connect(add(file, "SaveAsExcelFile1", "Save &As Excel File"), &QAction::triggered, this,
          &TForm8::SaveAsExcelFile1Click);
  file->addSeparator();
  connect(add(file, "Exit1", "E&xit"), &QAction::triggered, this, &QDialog::reject);
  QMenu* uses = MainMenu1->addMenu("&Uses");
  uses->setObjectName("Uses1");
  connect(add(uses, "UseforCurrentDevice1", "Use for &Current Device"), &QAction::triggered, this,
          &TForm8::UseforCurrentDevice1Click);
}

void TForm8::SaveAsExcelFile1Click() {
  exporting::export_function_list(main_.session(), grid_, bytes(Edit1->text()));
}

bool TForm8::confirm_discard_changes() {
  return confirm_discard(main_.session().ui, changed_, [this] { SaveUnit1Click(); });
}

void TForm8::reject() {
  if (confirm_discard_changes()) QDialog::reject();
}

void TForm8::NewUnit1Click() {
  if (!confirm_discard_changes()) return;
  reset_function_grid(grid_);
  changed_ = false;
}

void TForm8::OpenUnit1Click() {
  if (!confirm_discard_changes()) return;
  const auto file = open_function_file(
      main_.session(), [this](const std::string& event) { main_.write_log(event); });
  if (!file) return;
  Edit1->setText(latin1(file->unit_number));
  show_password(Edit2, file->password);
  Edit3->setText(latin1(file->description));
  show_functions(grid_, file->functions);
  changed_ = false;
}

void TForm8::SaveUnit1Click() {
  if (save_function_file(main_.session(), {bytes(Edit1->text()), bytes(Edit2->text()),
                                           bytes(Edit3->text()), grid_functions(grid_)}))
    changed_ = false;
}

void TForm8::UseforCurrentDevice1Click() {
  Edit1->setText(latin1(main_.unit_number()));
  show_password(Edit2, main_.unit_password());
}

void TForm8::Button1Click() {
  add_function_row(grid_);
  changed_ = true;
}

void TForm8::Button2Click() {
  const int rows = grid_.row_count();
  remove_function_row(grid_);
  if (grid_.row_count() != rows) changed_ = true;
}

void TForm8::StringGrid1DblClick() {
  const FunctionSend send{bytes(Edit1->text()), bytes(Edit2->text()), grid_.cell(1, grid_.row()),
                          CheckBox1->isChecked(), CheckBox2->isChecked()};
  const auto status = send_function(main_.session(), email_, send, tag_source,
                                    [this](const std::string& event) { main_.write_log(event); });
  if (!status) return;
  Label3->setText(latin1(*status));
  Timer1->set_enabled(true);
}

void TForm8::Timer1Timer() {
  Label3->setText(kNoMessageSend);
  Timer1->set_enabled(false);
}

}  // namespace tarvex::outbound
