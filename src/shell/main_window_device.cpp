// The main window's device entries: File menu device operations and recent
// files, the message table's editing, the Select menu and the hardware-type
// box.
#include <algorithm>

#include <QAction>
#include <QComboBox>
#include <QCursor>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QTableView>
#include <QTextEdit>

#include "platform/text_file.h"
#include "qt/string_grid_model.h"
#include "qt/string_grid_view.h"
#include "qt/text_convert.h"
#include "shell/main_window.h"

namespace tarvex::shell {

namespace {

using qt::bytes;
using qt::latin1;

// A unit number longer than the typing limit (read from a device file) shows
// whole, and the operator may edit it within its own length.
void fit_unit_number_limit(QLineEdit* edit, qsizetype length) {
  edit->setMaxLength(static_cast<int>(std::max<qsizetype>(device::kUnitNumberTypedLength, length)));
}

device::TableKey table_key(int key) {
  switch (key) {
    case Qt::Key_Space:
      return device::TableKey::Space;
    case Qt::Key_Up:
      return device::TableKey::Up;
    case Qt::Key_Down:
      return device::TableKey::Down;
    case Qt::Key_PageUp:
      return device::TableKey::PageUp;
    case Qt::Key_PageDown:
      return device::TableKey::PageDown;
    default:
      return device::TableKey::Other;
  }
}

// A device caption is the plain-ASCII base caption followed by a path, so it
// is decoded as a path.
QString device_title(const std::string& caption) {
  return qt::path_text(caption);
}

// A recent-file entry shows its path exactly: an "&" of the path is doubled
// so that the menu shows it instead of taking it for an Alt key.
QString history_caption(const std::string& path) {
  return qt::path_text(path).replace('&', "&&");
}

}  // namespace

void TForm1::connect_device_entries() {
  auto entry = [this](const char* name, void (TForm1::*handler)()) {
    QAction* a = action(name);
    a->setVisible(true);
    connect(a, &QAction::triggered, this, handler);
  };
  entry("New1", &TForm1::New1Click);
  entry("Open1", &TForm1::Open1Click);
  entry("OpenDefault1", &TForm1::OpenDefault1Click);
  entry("Save1", &TForm1::Save1Click);
  entry("SaveDefault1", &TForm1::SaveDefault1Click);
  entry("ImportTabDelimitedTextFile1", &TForm1::ImportTabDelimitedTextFile1Click);
  entry("EnableAllMessages1", &TForm1::EnableAllMessages1Click);
  entry("Disableallmessages1", &TForm1::Disableallmessages1Click);
  entry("SelectAllMessageExcluding1", &TForm1::SelectAllMessageExcluding1Click);
  void (TForm1::*hist[4])() = {&TForm1::Hist1Click, &TForm1::Hist2Click, &TForm1::Hist3Click,
                               &TForm1::Hist4Click};
  for (int n = 1; n <= 4; ++n)
    connect(action("Hist" + std::to_string(n)), &QAction::triggered, this, hist[n - 1]);

  PopupMenu2 = new QMenu(this);
  PopupMenu2->setObjectName("PopupMenu2");
  QAction* paste = PopupMenu2->addAction("Paste Description");
  paste->setObjectName("PasteDiscription1");
  connect(paste, &QAction::triggered, this, &TForm1::PasteDiscription1Click);

  connect(Button3, &QPushButton::clicked, this, &TForm1::Button3Click);
  connect(Button4, &QPushButton::clicked, this, &TForm1::Button4Click);
  connect(Button5, &QPushButton::clicked, this, &TForm1::Button5Click);
  connect(Edit1, &QLineEdit::textChanged, this, &TForm1::Edit1Change);
  connect(Edit2, &QLineEdit::textChanged, this, &TForm1::Edit2Change);
  connect(Edit4, &QLineEdit::textChanged, this, &TForm1::Edit4Change);
  connect(ComboBox1, &QComboBox::currentIndexChanged, this, [this](int index) {
    device_.hardware_type.reset();
    if (index >= 0) device_.hardware_type = bytes(ComboBox1->itemText(index));
  });
  // Only the operator's own choice loads zones, not a device file's.
  connect(ComboBox1, &QComboBox::activated, this, &TForm1::ComboBox1Change);
  ComboBoxPlus1->setMaxVisibleItems(20);
  // One line per command: long descriptions are cut, not wrapped into tall rows.
  if (auto* list = qobject_cast<QTableView*>(ComboBoxPlus1->view())) {
    list->setWordWrap(false);
    list->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    list->verticalHeader()->setDefaultSectionSize(list->fontMetrics().height() + 6);
    list->horizontalHeader()->setStretchLastSection(true);
  }

  fit_command_columns();

  // Every cell is edited in place, column 5 included; Tab moves on.
  maingrid1->set_live_editing(true);
  maingrid1->setTabKeyNavigation(true);
  maingrid1->setSelectionMode(QAbstractItemView::ContiguousSelection);
  maingrid1->setEditTriggers(QAbstractItemView::SelectedClicked |
                             QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
  connect(maingrid1, &qt::StringGridView::cellClicked, this, [this] { maingrid1Click(); });
  connect(maingrid1, &qt::StringGridView::cellDoubleClicked, this, [this] { maingrid1DblClick(); });
  connect(maingrid1, &qt::StringGridView::cellSelected, this, &TForm1::maingrid1SelectCell);
  connect(maingrid1, &qt::StringGridView::keyDown, this, &TForm1::maingrid1KeyDown);
  connect(maingrid1, &qt::StringGridView::keyPressed, this, [this] { maingrid1KeyPress(); });
  connect(maingrid1, &qt::StringGridView::keyUp, this, &TForm1::maingrid1KeyUp);
  connect(maingrid1->grid_model(), &qt::StringGridModel::cellEdited, this,
          &TForm1::maingrid1SetEditText);

  // The device starts as the controls show it.
  device_.unit_number = bytes(Edit1->text());
  device_.password = bytes(Edit2->text());
  device_.description = bytes(Edit4->text());
  device_.modified = false;
}

device::DeviceContext TForm1::device_context() {
  device::DeviceContext context{session_, device_, maingrid_, device_reader_};
  context.saved = [this](const device::SaveResult& saved) {
    setWindowTitle(device_title(saved.caption));
  };
  context.opened = [this](const device::OpenResult& opened) {
    show_message_length(0);
    show_device();
    set_mode_controls();
    if (!opened.caption.empty()) setWindowTitle(device_title(opened.caption));
    apply_history_menu(opened.history);
  };
  return context;
}

void TForm1::show_device() {
  const bool was_modified = device_.modified;
  showing_device_ = true;
  const QString unit_number = latin1(device_.unit_number);
  fit_unit_number_limit(Edit1, unit_number.size());
  Edit1->setText(unit_number);
  Edit2->setText(latin1(device_.password));
  Edit4->setText(latin1(device_.description));
  const int index =
      device_.hardware_type ? ComboBox1->findText(latin1(*device_.hardware_type)) : -1;
  if (index >= 0 || !device_.hardware_type) ComboBox1->setCurrentIndex(index);
  showing_device_ = false;
  device_.modified = was_modified;
}

void TForm1::show_loaded_device() {
  show_device();
  reload_command_list(device::open_device_commands());
  set_mode_controls();
}

bool TForm1::may_discard_device() {
  auto context = device_context();
  return device::confirm_discard_changes(context);
}

bool TForm1::read_device_file(const std::string& path) {
  std::vector<std::string> lines;
  try {
    lines = platform::read_lines(path, device::kMaxDeviceFileBytes);
  } catch (const std::exception& e) {
    session_.ui.message(e.what());
    return false;
  }
  device_reader_.row_counter = 1;
  auto context = device_context();
  device::read_device_lines(context, lines);
  show_device();
  return true;
}

void TForm1::reload_command_list(const device::CommandListStyle& style) {
  auto* model = static_cast<QStandardItemModel*>(ComboBoxPlus1->model());
  model->removeRows(0, model->rowCount());
  if (style.pump_events) session_.scheduler.process_messages();
  auto context = device_context();
  const device::CommandList list = device::load_command_list(context, style);
  auto row = [](const std::string& a, const std::string& b, const std::string& c) {
    return QList<QStandardItem*>{new QStandardItem(latin1(a)), new QStandardItem(latin1(b)),
                                 new QStandardItem(latin1(c))};
  };
  model->appendRow(row("0", list.heading, "Command"));
  for (const auto& entry : list.entries)
    model->appendRow(row(entry.command, entry.description, entry.command));
  if (list.blank_row) model->appendRow(row("", "", ""));
  // The edit part starts empty; the operator picks or types a command.
  ComboBoxPlus1->setCurrentIndex(-1);
  fit_command_columns();
}

void TForm1::fit_command_columns() {
  auto* list = qobject_cast<QTableView*>(ComboBoxPlus1->view());
  if (!list) return;
  // The blanks of the heading give the description column its width; the
  // open list is as wide as both visible columns.
  const QFontMetrics metrics = list->fontMetrics();
  const auto* model = ComboBoxPlus1->model();
  int width = 2 * list->frameWidth() + list->verticalScrollBar()->sizeHint().width();
  for (int col : {1, 2}) {
    int widest = 0;
    for (int r = 0; r < model->rowCount(); ++r)
      widest = std::max(widest, metrics.horizontalAdvance(model->index(r, col).data().toString()));
    list->setColumnWidth(col, widest + 12);
    width += widest + 12;
  }
  list->setMinimumWidth(width);
}

void TForm1::set_mode_controls() {
  const int mode = session_.programming_mode;
  (mode == 2 ? RadioButton2 : RadioButton1)->setChecked(true);
  action("ProgramasOldUnit1")->setVisible(mode != 1 && mode != 2);
}

void TForm1::apply_history_menu(const device::HistoryMenu& menu) {
  for (int n = 1; n <= 4; ++n) {
    if (!menu[n - 1]) continue;
    QAction* a = action("Hist" + std::to_string(n));
    a->setText(history_caption(*menu[n - 1]));
    // The path's own bytes, so that it opens exactly what was stored.
    a->setData(QByteArray::fromStdString(*menu[n - 1]));
    a->setVisible(true);
  }
  if (menu[0]) action("HistorySeparator")->setVisible(true);
}

void TForm1::show_message_length(int length) {
  Label12->setText(QString::number(length));
}

device::ShowLength TForm1::shown_length() {
  return [this](int length) { show_message_length(length); };
}

void TForm1::New1Click() {
  if (refuse_load_while_table_held()) return;
  auto context = device_context();
  if (!device::new_device(context)) return;
  show_device();
  setWindowTitle(latin1(session_.base_caption));
}

void TForm1::open_device_file(device::DeviceFileKind kind) {
  if (refuse_load_while_table_held()) return;
  auto context = device_context();
  const device::OpenResult result = device::open_device(context, kind);
  if (!result.reload_commands) return;
  reload_command_list(kind == device::DeviceFileKind::Device ? device::open_device_commands()
                                                             : device::open_default_commands());
  set_mode_controls();
}

void TForm1::Open1Click() {
  open_device_file(device::DeviceFileKind::Device);
}

void TForm1::OpenDefault1Click() {
  open_device_file(device::DeviceFileKind::Default);
}

void TForm1::save_device_file(device::DeviceFileKind kind) {
  auto context = device_context();
  device::save_device(context, kind);
}

void TForm1::Save1Click() {
  save_device_file(device::DeviceFileKind::Device);
}

void TForm1::SaveDefault1Click() {
  save_device_file(device::DeviceFileKind::Default);
}

void TForm1::HistClick(int n) {
  if (refuse_load_while_table_held()) return;
  const std::string path = action("Hist" + std::to_string(n))->data().toByteArray().toStdString();
  if (path.empty()) return;
  auto context = device_context();
  if (!device::open_history_entry(context, path)) return;
  reload_command_list(device::open_device_commands());
  set_mode_controls();
}

void TForm1::Hist1Click() {
  HistClick(1);
}
void TForm1::Hist2Click() {
  HistClick(2);
}
void TForm1::Hist3Click() {
  HistClick(3);
}
void TForm1::Hist4Click() {
  HistClick(4);
}

void TForm1::ImportTabDelimitedTextFile1Click() {
  if (refuse_load_while_table_held()) return;
  device::import_tab_delimited_file(session_, maingrid_);
}

void TForm1::EnableAllMessages1Click() {
  device::select_all_messages(maingrid_);
}

void TForm1::Disableallmessages1Click() {
  device::unselect_all_messages(maingrid_);
}

void TForm1::SelectAllMessageExcluding1Click() {
  session_.ui.show_modal("TForm14");
}

void TForm1::PasteDiscription1Click() {
  device::paste_description(maingrid_, maingrid_.row());
}

void TForm1::Button3Click() {
  device::add_row(maingrid_);
  device_.modified = true;
}

void TForm1::Button4Click() {
  device::delete_row(maingrid_, maingrid_.row());
}

void TForm1::Button5Click() {
  device::insert_row(maingrid_, maingrid_.row());
  device_.modified = true;
}

void TForm1::Edit1Change() {
  device_.unit_number = bytes(Edit1->text());
  if (!showing_device_) device_.modified = true;
}

void TForm1::Edit2Change() {
  device_.password = bytes(Edit2->text());
  if (!showing_device_) device_.modified = true;
}

void TForm1::Edit4Change() {
  device_.description = bytes(Edit4->text());
  if (!showing_device_) device_.modified = true;
}

void TForm1::ComboBox1Change() {
  device::hardware_type_changed(session_, bytes(ComboBox1->currentText()), zone_codes_);
}

void TForm1::maingrid1Click() {
  const device::ClickResult click =
      device::table_click(session_.ui, maingrid_, maingrid_.row(), shown_length());
  if (click.memo == device::MemoChange::Show) Memo1->setPlainText(latin1(click.memo_text));
  if (click.memo == device::MemoChange::Clear) Memo1->clear();
}

void TForm1::maingrid1DblClick() {
  const auto outcome = device::table_double_click(maingrid_, maingrid_.col(), maingrid_.row());
  if (outcome == device::DoubleClick::PastePopup) PopupMenu2->popup(QCursor::pos());
}

void TForm1::maingrid1KeyDown(int) {
  table_keys_.key_down(maingrid_, maingrid_.row());
}

void TForm1::maingrid1KeyPress() {
  device_.modified = true;
  device::check_message_length(session_.ui, maingrid_, maingrid_.row(), shown_length());
}

void TForm1::maingrid1KeyUp(int key) {
  table_keys_.key_up(maingrid_, maingrid_.col(), maingrid_.row(), table_key(key));
}

void TForm1::maingrid1SetEditText(int, int row) {
  device::check_message_length(session_.ui, maingrid_, row, shown_length());
}

void TForm1::maingrid1SelectCell(int col, int row) {
  table_keys_.cell_entered(maingrid_, col, row);
  device::zone_trigger(session_, maingrid_, col, row, zone_codes_, zone_selection_);
}

}  // namespace tarvex::shell
