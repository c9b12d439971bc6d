#include "incoming/ui/unit_log_window.h"

#include <QAction>
#include <QCheckBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/folders.h"
#include "app/main_window_access.h"
#include "export/semicolon_table.h"
#include "incoming/incoming_message.h"
#include "incoming/unit_log.h"
#include "qt/named_control.h"
#include "qt/string_grid_view.h"
#include "qt/text_convert.h"

namespace tarvex::incoming {

using qt::named;

namespace {

QAction* menu_entry(QMenu* menu, const char* name, const QString& caption) {
  QAction* a = menu->addAction(caption);
  a->setObjectName(name);
  return a;
}

std::optional<CalendarDate> picked(const QDateEdit* picker) {
  const QDate date = picker->date();
  if (!date.isValid()) return std::nullopt;
  return CalendarDate{date.year(), date.month(), date.day()};
}

}  // namespace

TForm6::TForm6(app::MainWindowAccess& main_window, QWidget* parent)
    : QDialog(parent), main_(main_window), grid_(kMessageColumns, 2) {
  setObjectName("TForm6");
  setWindowTitle("Get Log From Unit");
  const int widths[kMessageColumns] = {101, 94, 88, 563};
  for (int c = 0; c < kMessageColumns; ++c) {
    grid_.set_cell(c, 0, kMessageHeadings[c]);
    grid_.set_column_width(c, widths[c]);
  }

  MainMenu1 = new QMenuBar(this);
  MainMenu1->setObjectName("MainMenu1");
  // The button a narrow menu bar shows for the entries that do not fit.
  if (auto* more = MainMenu1->findChild<QWidget*>("qt_menubar_ext_button"))
    more->setAccessibleName("More menus");
  QMenu* file = MainMenu1->addMenu("&File");
  file->setObjectName("File1");
  menu_entry(file, "OpenLog1", "&Open Log")->setEnabled(false);
  menu_entry(file, "SaveLog1", "&Save Log")->setEnabled(false);
  ClearLog1 = menu_entry(file, "ClearLog1", "&Clear Log");
  SaveAsExcelFile1 = menu_entry(file, "SaveAsExcelFile1", "Save &As Excel File");
  file->addSeparator();
  menu_entry(file, "PrintLog1", "&Print Log")->setEnabled(false);
  menu_entry(file, "PrintPreview1", "Print Pre&view")->setEnabled(false);
  file->addSeparator();
  QAction* exit = menu_entry(file, "Exit1", "E&xit");
  connect(ClearLog1, &QAction::triggered, this, &TForm6::ClearLog1Click);
  connect(SaveAsExcelFile1, &QAction::triggered, this, &TForm6::SaveAsExcelFile1Click);
  connect(exit, &QAction::triggered, this, &TForm6::reject);

  GroupBox1 = named(new QGroupBox("Search Criteria:", this), "GroupBox1", "Search Criteria:");
  CheckBox1 = named(new QCheckBox("&From:", GroupBox1), "CheckBox1", "From:");
  CheckBox2 = named(new QCheckBox("T&o:", GroupBox1), "CheckBox2", "To:");
  CheckBox3 = named(new QCheckBox("&Unit Number:", GroupBox1), "CheckBox3", "Unit Number:");
  CheckBox4 = named(new QCheckBox("&Text:", GroupBox1), "CheckBox4", "Text:");
  DateTimePicker1 =
      named(new QDateEdit(QDate::currentDate(), GroupBox1), "DateTimePicker1", "From:");
  DateTimePicker2 = named(new QDateEdit(QDate::currentDate(), GroupBox1), "DateTimePicker2", "To:");
  for (QDateEdit* picker : {DateTimePicker1, DateTimePicker2}) {
    picker->setCalendarPopup(true);
    picker->setDisplayFormat(QLocale().dateFormat(QLocale::ShortFormat));
  }
  Edit1 = named(new QLineEdit(GroupBox1), "Edit1", "Unit Number:");
  Edit2 = named(new QLineEdit(GroupBox1), "Edit2", "Text:");
  Button1 = named(new QPushButton("F&ind", GroupBox1), "Button1", "Find");
  Button1->setDefault(true);
  StopButton = named(new QPushButton("&Stop", GroupBox1), "StopButton", "Stop");
  StopButton->setAutoDefault(false);
  StopButton->setEnabled(false);
  SearchProgress = named(new QProgressBar(GroupBox1), "SearchProgress", "Search progress");
  SearchProgress->setRange(0, 1000);
  SearchProgress->setValue(0);
  SearchProgress->setTextVisible(false);

  const std::pair<QCheckBox*, QWidget*> criteria[4] = {{CheckBox1, DateTimePicker1},
                                                       {CheckBox2, DateTimePicker2},
                                                       {CheckBox3, Edit1},
                                                       {CheckBox4, Edit2}};
  auto* boxes = new QGridLayout(GroupBox1);
  for (int i = 0; i < 4; ++i) {
    auto [box, input] = criteria[i];
    input->setEnabled(false);
    connect(box, &QCheckBox::toggled, input, &QWidget::setEnabled);
    boxes->addWidget(box, i / 2, (i % 2) * 2);
    boxes->addWidget(input, i / 2, (i % 2) * 2 + 1);
  }
  boxes->addWidget(Button1, 0, 4);
  boxes->addWidget(StopButton, 1, 4);
  boxes->addWidget(SearchProgress, 2, 0, 1, 5);

  StringGrid1 = named(new qt::StringGridView(grid_, this), "StringGrid1", "Unit Log");
  StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
  StringGrid1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Label3 = new QLabel("0", this);
  Label3->setObjectName("Label3");
  Label8 = new QLabel(this);
  Label8->setObjectName("Label8");
  show_log_file(main_window.session().settings.unit_log_file);

  auto* counts = new QHBoxLayout;
  counts->addWidget(new QLabel("Message Count:", this));
  counts->addWidget(Label3);
  counts->addSpacing(30);
  counts->addWidget(Label8, 1);
  auto* layout = new QVBoxLayout(this);
  layout->setMenuBar(MainMenu1);
  layout->addWidget(GroupBox1);
  layout->addWidget(StringGrid1, 1);
  layout->addLayout(counts);
  resize(101 + 94 + 88 + 563 + 50, 520);

  connect(Button1, &QPushButton::clicked, this, &TForm6::Button1Click);
  connect(StopButton, &QPushButton::clicked, this, &TForm6::StopClick);
  connect(StringGrid1, &qt::StringGridView::cellDoubleClicked, this,
          [this] { StringGrid1DblClick(); });
  main_window.on_log_file_changed = [this](const std::string& path) { show_log_file(path); };
  for (const char* entry : {"GetLog1", "GetLog2"}) main_window.show_menu_entry(entry);
}

void TForm6::show_log_file(const std::string& path) {
  Label8->setText("Log File: " + qt::path_text(path));
}

void TForm6::set_searching(bool on) {
  searching_ = on;
  stop_requested_ = false;
  Button1->setEnabled(!on);
  ClearLog1->setEnabled(!on);
  StopButton->setEnabled(on);
  if (on) StopButton->setFocus();
}

void TForm6::Button1Click() {
  if (searching_) return;
  CriteriaInputs inputs;
  inputs.from_ticked = CheckBox1->isChecked();
  inputs.to_ticked = CheckBox2->isChecked();
  inputs.unit_ticked = CheckBox3->isChecked();
  inputs.text_ticked = CheckBox4->isChecked();
  inputs.from_date = picked(DateTimePicker1);
  inputs.to_date = picked(DateTimePicker2);
  inputs.unit_number = qt::bytes(Edit1->text());
  inputs.text = qt::bytes(Edit2->text());
  app::Session& session = main_.session();
  const CriteriaCheck check = check_criteria(inputs, session.ui);
  if (check.clear_date_boxes) {
    CheckBox1->setChecked(false);
    CheckBox2->setChecked(false);
  }
  if (!check.criteria) return;

  set_searching(true);
  SearchProgress->setValue(0);
  Label3->setText("0");
  LogSearch search{app::resolve_folder(session.start_folder, session.settings.unit_log_file),
                   *check.criteria,
                   grid_,
                   session.ui,
                   session.scheduler,
                   [this, &session](const incoming::SearchProgress& progress) {
                     Label3->setText(QString::number(progress.found));
                     if (progress.total_bytes > 0)
                       SearchProgress->setValue(
                           static_cast<int>(progress.bytes_read * 1000 / progress.total_bytes));
                     // The window answers clicks (the "Stop" button) between blocks.
                     session.scheduler.process_messages();
                     return !stop_requested_;
                   }};
  const SearchResult result = search_unit_log(search);
  Label3->setText(QString::number(result.found));
  if (!result.stopped && !result.failed) SearchProgress->setValue(1000);
  set_searching(false);
}

void TForm6::StopClick() {
  stop_requested_ = true;
}

void TForm6::reject() {
  // Closing the window ends a running search.
  stop_requested_ = true;
  QDialog::reject();
}

void TForm6::SaveAsExcelFile1Click() {
  exporting::export_unit_log(main_.session(), grid_, qt::bytes(Edit1->text()));
}

void TForm6::ClearLog1Click() {
  if (searching_) return;
  clear_message_grid(grid_);
  Label3->setText("0");
  SearchProgress->setValue(0);
}

void TForm6::StringGrid1DblClick() {
  send_message_to_clicked_number(main_.session(), grid_);
}

}  // namespace tarvex::incoming
