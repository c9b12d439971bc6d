#include "app/ui/user_log_window.h"

#include <exception>

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/event_log.h"
#include "app/main_window_access.h"
#include "qt/string_grid_view.h"

namespace tarvex::app {

TForm19::TForm19(MainWindowAccess& main_window, QWidget* parent)
    : QDialog(parent), main_(main_window), grid_(4, 2) {
  setObjectName("TForm19");
  setWindowTitle("User Log File");
  init_event_log_grid(grid_);

  Label1 = new QLabel("KV_Programmer Event Log", this);
  Label1->setObjectName("Label1");
  QFont bold = Label1->font();
  bold.setBold(true);
  Label1->setFont(bold);
  StringGrid1 = new qt::StringGridView(grid_, this);
  StringGrid1->setObjectName("StringGrid1");
  StringGrid1->setAccessibleName("KV_Programmer Event Log");
  StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
  Button1 = new QPushButton("Close", this);
  Button1->setObjectName("Button1");
  Button1->setAccessibleName("Close");
  Button2 = new QPushButton("Clear Log", this);
  Button2->setObjectName("Button2");
  Button2->setAccessibleName("Clear Log");
  Button2->setAutoDefault(false);
  connect(Button1, &QPushButton::clicked, this, &TForm19::Button1Click);
  connect(Button2, &QPushButton::clicked, this, &TForm19::Button2Click);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Label1);
  layout->addWidget(StringGrid1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(Button2);
  buttons->addWidget(Button1);
  layout->addLayout(buttons);
  resize(111 + 87 + 93 + 340 + 40, 400);
}

void TForm19::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  const Session& session = main_.session();
  load_event_log_grid(grid_, session.start_file(kEventLogFile), session.ui);
}

void TForm19::Button1Click() {
  accept();
}

void TForm19::Button2Click() {
  // The grid keeps showing the old entries until the window is shown again.
  try {
    clear_event_log(main_.session());
  } catch (const std::exception& e) {
    main_.ui().message(e.what());
  }
}

}  // namespace tarvex::app
