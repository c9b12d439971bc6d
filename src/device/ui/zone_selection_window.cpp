#include "device/ui/zone_selection_window.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QVBoxLayout>

#include "qt/string_grid_view.h"

namespace tarvex::device {

TForm16::TForm16(ZoneSelection& zones, QWidget* parent) : QDialog(parent), zones_(zones) {
  setObjectName("TForm16");
  setWindowTitle("Zone Selection");
  auto* layout = new QVBoxLayout(this);
  zones_.grid().set_column_width(0, 90);
  zones_.grid().set_column_width(1, 140);
  StringGrid1 = new qt::StringGridView(zones_.grid(), this);
  StringGrid1->setObjectName("StringGrid1");
  StringGrid1->setAccessibleName("Zones");
  StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
  StringGrid1->horizontalHeader()->setStretchLastSection(true);
  StringGrid1->setMinimumSize(260, 300);
  layout->addWidget(StringGrid1);
  auto* buttons = new QHBoxLayout;
  auto button = [&](QPushButton*& target, const char* caption, const char* name) {
    target = new QPushButton(caption, this);
    target->setObjectName(name);
    target->setAutoDefault(false);
    buttons->addWidget(target);
  };
  button(Button3, "Enable All", "Button3");
  button(Button4, "Disable All", "Button4");
  button(Button1, "Apply", "Button1");
  button(Button2, "Cancel", "Button2");
  layout->addLayout(buttons);
  connect(StringGrid1, &qt::StringGridView::cellDoubleClicked, this,
          [this] { StringGrid1DblClick(); });
  connect(Button1, &QPushButton::clicked, this, &TForm16::Button1Click);
  connect(Button2, &QPushButton::clicked, this, &TForm16::Button2Click);
  connect(Button3, &QPushButton::clicked, this, &TForm16::Button3Click);
  connect(Button4, &QPushButton::clicked, this, &TForm16::Button4Click);
}

void TForm16::StringGrid1DblClick() {
  zones_.toggle(zones_.grid().row());
}

void TForm16::Button1Click() {
  zones_.apply();
  accept();
}

void TForm16::Button2Click() {
  reject();
}

void TForm16::Button3Click() {
  zones_.enable_all();
}

void TForm16::Button4Click() {
  zones_.disable_all();
}

}  // namespace tarvex::device
