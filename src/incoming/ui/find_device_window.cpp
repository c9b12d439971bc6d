#include "incoming/ui/find_device_window.h"

#include <exception>

#include <QAction>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/main_window_access.h"
#include "device/device_files.h"
#include "incoming/device_link.h"
#include "incoming/find_tools.h"
#include "platform/text_file.h"
#include "qt/text_convert.h"

namespace tarvex::incoming {

namespace {
QLabel* label(const QString& text, QWidget* buddy, QWidget* parent) {
  auto* l = new QLabel(text, parent);
  l->setBuddy(buddy);
  buddy->setAccessibleName(QString(text).remove('&'));
  return l;
}
}  // namespace

TForm2::TForm2(app::MainWindowAccess& main_window, QWidget* parent)
    : QDialog(parent), main_(main_window) {
  setObjectName("TForm2");
  setWindowTitle("Find Device");

  Label2 = new QLabel(this);
  Label2->setObjectName("Label2");
  Button4 = new QPushButton("......", this);
  Button4->setObjectName("Button4");
  Button4->setAccessibleName("Search Path");
  Button4->setAutoDefault(false);
  Label4 = new QLabel("Note: Use ' * ' as a wildcard", this);
  Label4->setObjectName("Label4");
  Label4->setStyleSheet("color: red;");
  Edit1 = new QLineEdit(this);
  Edit1->setObjectName("Edit1");
  Button1 = new QPushButton("&Find", this);
  Button1->setObjectName("Button1");
  Button1->setDefault(true);
  ComboBox1 = new QComboBox(this);
  ComboBox1->setObjectName("ComboBox1");
  ComboBox1->setEditable(false);
  Button2 = new QPushButton("&Open", this);
  Button2->setObjectName("Button2");
  Button2->setAutoDefault(false);
  Button3 = new QPushButton("&Cancel", this);
  Button3->setObjectName("Button3");
  Button3->setAutoDefault(false);

  auto* grid = new QGridLayout(this);
  grid->addWidget(Label2, 0, 0, 1, 2);
  grid->addWidget(Button4, 0, 2);
  grid->addWidget(label("&Device to Find:", Edit1, this), 1, 0);
  grid->addWidget(Edit1, 1, 1);
  grid->addWidget(Button1, 1, 2);
  grid->addWidget(Label4, 2, 1);
  grid->addWidget(label("&Hits:", ComboBox1, this), 3, 0);
  grid->addWidget(ComboBox1, 3, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(Button2);
  buttons->addWidget(Button3);
  grid->addLayout(buttons, 4, 0, 1, 3);
  grid->setColumnStretch(1, 1);
  resize(460, 190);

  main_window.show_menu_entry("FindDevice1");
  connect(Button4, &QPushButton::clicked, this, &TForm2::Button4Click);
  connect(Button1, &QPushButton::clicked, this, &TForm2::Button1Click);
  connect(Button2, &QPushButton::clicked, this, &TForm2::Button2Click);
  connect(Button3, &QPushButton::clicked, this, &QDialog::reject);
  connect(ComboBox1, &QComboBox::currentIndexChanged, this,
          [this](int index) { Button2->setEnabled(index >= 0); });
}

void TForm2::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  FormActivate();
}

void TForm2::FormActivate() {
  search_folder_ = device::device_folder(main_.session());
  Label2->setText(qt::path_text(find_folder_caption(search_folder_)));
  Edit1->setText("+27");
  Edit1->setFocus();
  Button2->setEnabled(false);
  ComboBox1->clear();
  ComboBox1->setEnabled(false);
  main_.session().found_device_path.clear();
}

void TForm2::Button4Click() {
  const auto folder = main_.ui().pick_folder("Search Path", search_folder_);
  if (!folder) return;
  search_folder_ = *folder;
  Label2->setText(qt::path_text(find_folder_caption(search_folder_)));
}

void TForm2::Button1Click() {
  ComboBox1->clear();
  // The text names files, so it is taken in the file system's encoding.
  const DeviceSearch search = find_devices(search_folder_, qt::path_bytes(Edit1->text()));
  Label2->setText(qt::path_text(search.status));
  if (search.hits.empty()) {
    Button2->setEnabled(false);
    return;
  }
  ComboBox1->setEnabled(true);
  for (const std::string& name : search.hits) ComboBox1->addItem(qt::path_text(name));
  ComboBox1->setCurrentIndex(-1);
}

void TForm2::Button2Click() {
  if (ComboBox1->currentIndex() < 0) return;
  const std::string path =
      platform::join_path(search_folder_, qt::path_bytes(ComboBox1->currentText()));
  try {
    platform::create_folders(search_folder_);
  } catch (const std::exception& e) {
    main_.ui().message(e.what());
    return;
  }
  if (!main_.open_found_device(path)) return;  // reported; the window stays open
  accept();
}

}  // namespace tarvex::incoming
