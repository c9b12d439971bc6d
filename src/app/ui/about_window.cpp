#include "app/ui/about_window.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace tarvex::app {

TForm12::TForm12(QWidget* parent) : QDialog(parent) {
  setObjectName("TForm12");
  setWindowTitle("About Tarvex Programmer");
  auto* layout = new QVBoxLayout(this);
  auto* product = new QLabel("Tarvex Programmer", this);
  product->setObjectName("ProductName");
  QFont big = product->font();
  big.setPointSize(big.pointSize() + 6);
  big.setBold(true);
  product->setFont(big);
  auto* version = new QLabel("Version 1.02 Master", this);
  version->setObjectName("Version");
  auto* purpose = new QLabel(
      "Programs remote GSM alarm and remote-control units\nby SMS, by e-mail and through an "
      "EEPROM programmer.",
      this);
  purpose->setObjectName("Comments");
  auto* ok = new QPushButton("OK", this);
  ok->setObjectName("OKButton");
  ok->setAccessibleName("OK");
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  layout->addWidget(product);
  layout->addWidget(version);
  layout->addWidget(purpose);
  layout->addWidget(ok, 0, Qt::AlignRight);
  setFixedSize(sizeHint());
}

}  // namespace tarvex::app
