#include "incoming/ui/find_received_window.h"

#include <QAction>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/main_window_access.h"
#include "incoming/find_tools.h"
#include "incoming/incoming_message.h"
#include "qt/named_control.h"
#include "qt/string_grid_model.h"
#include "qt/string_grid_view.h"
#include "qt/text_convert.h"

namespace tarvex::incoming {

using qt::named;

TForm5::TForm5(app::MainWindowAccess& main_window, QWidget* parent)
    : QDialog(parent), main_(main_window), grid_(kMessageColumns, 2) {
  setObjectName("TForm5");
  setWindowTitle("Find in Received Messages");
  setModal(false);
  const int widths[kMessageColumns] = {101, 82, 81, 443};
  for (int c = 0; c < kMessageColumns; ++c) {
    grid_.set_cell(c, 0, kMessageHeadings[c]);
    grid_.set_column_width(c, widths[c]);
  }
  grid_.set_editable(true);

  Edit1 = named(new QLineEdit(this), "Edit1", "String to Find:");
  auto* find_label = new QLabel("&String to Find:", this);
  find_label->setBuddy(Edit1);
  Button1 = named(new QPushButton("&Find", this), "Button1", "Find");
  Button1->setDefault(true);
  Button2 = named(new QPushButton("&Reset", this), "Button2", "Reset");
  Button2->setAutoDefault(false);
  GroupBox1 = named(new QGroupBox("Find Criteria:", this), "GroupBox1", "Find Criteria:");
  RadioButton1 = named(new QRadioButton("&Number", GroupBox1), "RadioButton1", "Number");
  RadioButton2 =
      named(new QRadioButton("Received &Date", GroupBox1), "RadioButton2", "Received Date");
  RadioButton3 =
      named(new QRadioButton("Received &Time", GroupBox1), "RadioButton3", "Received Time");
  RadioButton4 = named(new QRadioButton("&Messages", GroupBox1), "RadioButton4", "Messages");
  RadioButton1->setChecked(true);
  auto* criteria = new QHBoxLayout(GroupBox1);
  for (QRadioButton* r : {RadioButton1, RadioButton2, RadioButton3, RadioButton4})
    criteria->addWidget(r);
  CheckBox1 = named(new QCheckBox("Stay on &top", this), "CheckBox1", "Stay on top");
  CheckBox1->setChecked(true);
  StringGrid1 = named(new qt::StringGridView(grid_, this), "StringGrid1", "Found Messages");
  StringGrid1->set_live_editing(true);
  StringGrid1->fit_headings();
  // A double click belongs to Send Message; cells are edited by typing.
  StringGrid1->setEditTriggers(QAbstractItemView::SelectedClicked |
                               QAbstractItemView::EditKeyPressed |
                               QAbstractItemView::AnyKeyPressed);
  Label2 = new QLabel("0", this);
  Label2->setObjectName("Label2");
  Label5 = new QLabel("0", this);
  Label5->setObjectName("Label5");

  auto* top = new QGridLayout;
  top->addWidget(find_label, 0, 0);
  top->addWidget(Edit1, 0, 1);
  top->addWidget(Button1, 0, 2);
  top->addWidget(Button2, 0, 3);
  top->addWidget(GroupBox1, 1, 0, 1, 3);
  top->addWidget(CheckBox1, 1, 3);
  auto* counts = new QHBoxLayout;
  counts->addWidget(new QLabel("Message Length:", this));
  counts->addWidget(Label2);
  counts->addSpacing(30);
  counts->addWidget(new QLabel("Message Count:", this));
  counts->addWidget(Label5);
  counts->addStretch();
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(StringGrid1);
  layout->addLayout(counts);
  setFixedSize(101 + 82 + 81 + 443 + 50, 420);
  setWindowFlag(Qt::WindowStaysOnTopHint, true);

  connect(Button1, &QPushButton::clicked, this, &TForm5::Button1Click);
  connect(Button2, &QPushButton::clicked, this, &TForm5::Button2Click);
  connect(CheckBox1, &QCheckBox::clicked, this, &TForm5::CheckBox1Click);
  connect(StringGrid1, &qt::StringGridView::cellClicked, this, [this] { StringGrid1Click(); });
  connect(StringGrid1->grid_model(), &qt::StringGridModel::cellEdited, this,
          [this] { StringGrid1Click(); });
  connect(StringGrid1, &qt::StringGridView::cellDoubleClicked, this,
          [this] { StringGrid1DblClick(); });

  main_window.show_menu_entry("FindinReceivedMessages1", [this] { show_window(); });
}

void TForm5::show_window() {
  show();
  raise();
  activateWindow();
}

void TForm5::Button1Click() {
  Button1->setEnabled(false);
  Edit1->setEnabled(false);
  const int column = RadioButton2->isChecked()   ? kColReceivedDate
                     : RadioButton3->isChecked() ? kColReceivedTime
                     : RadioButton4->isChecked() ? kColMessage
                                                 : kColUnitNumber;
  const int found =
      find_in_received(main_.incoming_grid(), column, qt::bytes(Edit1->text()), grid_);
  Label5->setText(QString::number(found));
}

void TForm5::Button2Click() {
  clear_message_grid(grid_);
  Button1->setEnabled(true);
  Edit1->setEnabled(true);
}

void TForm5::CheckBox1Click() {
  const bool shown = isVisible();
  // Changing a window's flags hides it; show it again where it was.
  setWindowFlag(Qt::WindowStaysOnTopHint, CheckBox1->isChecked());
  if (shown) show();
}

void TForm5::StringGrid1Click() {
  Label2->setText(QString::number(grid_.cell(kColMessage, grid_.row()).size()));
}

void TForm5::StringGrid1DblClick() {
  send_message_to_clicked_number(main_.session(), grid_);
}

}  // namespace tarvex::incoming
