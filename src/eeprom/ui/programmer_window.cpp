#include "eeprom/ui/programmer_window.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/main_window_access.h"
#include "eeprom/serial_ports.h"
#include "eeprom/ui/port_router.h"
#include "qt/named_control.h"
#include "qt/string_grid_view.h"
#include "qt/text_convert.h"

namespace tarvex::eeprom {

namespace {
QLabel* label(QWidget* parent, const char* name, const QString& text = QString()) {
  auto* l = new QLabel(text, parent);
  l->setObjectName(name);
  return l;
}
QPushButton* button(QWidget* parent, const char* name, const QString& caption) {
  auto* b = qt::named(new QPushButton(caption, parent), name, caption);
  b->setAutoDefault(false);
  return b;
}
}  // namespace

TForm20::TForm20(app::MainWindowAccess& main_window, QWidget* parent) : QDialog(parent) {
  app::Session& session = main_window.session();
  ports_ = make_port_router(session.start_folder, session.scheduler);
  run_ = std::make_unique<ProgrammingRun>(*ports_, session.scheduler, session.ui,
                                          session.start_folder);
  run_->com_port = [&session] { return session.settings.com_port; };
  run_->set_view(this);

  setObjectName("TForm20");
  setWindowTitle("EEPROM Programmer");
  // No title-bar buttons: the window closes by Close, by Esc or by itself.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);

  auto* layout = new QVBoxLayout(this);
  Label1 = label(this, "Label1", "Device: ");
  Label2 = label(this, "Label2", "EEPROM: ");
  layout->addWidget(Label1);
  layout->addWidget(Label2);
  StringGrid1 = new qt::StringGridView(run_->StringGrid1(), this);
  StringGrid1->setObjectName("StringGrid1");
  StringGrid1->setAccessibleName("Messages to program");
  StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
  StringGrid1->horizontalHeader()->setStretchLastSection(true);
  StringGrid1->setMinimumSize(520, 260);
  layout->addWidget(StringGrid1);
  StringGrid2 = new qt::StringGridView(run_->StringGrid2(), this);
  StringGrid2->setObjectName("StringGrid2");
  StringGrid2->setAccessibleName("Addresses");
  StringGrid2->setEditTriggers(QAbstractItemView::NoEditTriggers);
  StringGrid2->setVisible(false);
  layout->addWidget(StringGrid2);
  Label4 = label(this, "Label4", "Progress: 0%");
  Label5 = label(this, "Label5", "Data:");
  Label6 = label(this, "Label6");
  Label5->setTextFormat(Qt::PlainText);
  layout->addWidget(Label4);
  layout->addWidget(Label5);
  layout->addWidget(Label6);

  auto* row = new QHBoxLayout;
  // Invisible on the window's background; a double click shows the addresses.
  Label3 = label(this, "Label3", "    ");
  Label3->setMinimumWidth(40);
  Label3->installEventFilter(this);
  row->addWidget(Label3);
  row->addStretch();
  Button1 = button(this, "Button1", "Close");
  Button2 = button(this, "Button2", "Retry");
  Button3 = button(this, "Button3", "Skip");
  row->addWidget(Button1);
  row->addWidget(Button2);
  row->addWidget(Button3);
  layout->addLayout(row);
  connect(Button1, &QPushButton::clicked, this, [this] { run_->Button1Click(); });
  connect(Button2, &QPushButton::clicked, this, [this] { run_->Button2Click(); });
  connect(Button3, &QPushButton::clicked, this, [this] { run_->Button3Click(); });
  enable_buttons(false);
  // The window sees Esc before its controls do.
  for (QWidget* control :
       std::initializer_list<QWidget*>{StringGrid1, StringGrid2, Button1, Button2, Button3})
    control->installEventFilter(this);
}

TForm20::~TForm20() {
  run_->set_view(nullptr);
}

void TForm20::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (event->spontaneous()) return;
  closing_ = false;
  // The run starts once the window is on screen, after this event.
  QMetaObject::invokeMethod(
      this,
      [this] {
        if (isVisible()) run_->FormActivate();
      },
      Qt::QueuedConnection);
}

void TForm20::closeEvent(QCloseEvent* event) {
  // Only the run closes the window (Close, Esc, or by itself).
  if (!closing_) {
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);
}

void TForm20::reject() {
  // The window manager's close or Esc reaching the dialog: as Esc.
  if (!closing_) run_->Escape();
}

void TForm20::keyPressEvent(QKeyEvent* event) {
  // Esc acts when it is let go (below); the dialog's own Esc is not wanted.
  if (event->key() == Qt::Key_Escape) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

void TForm20::keyReleaseEvent(QKeyEvent* event) {
  // FormKeyUp
  if (event->key() == Qt::Key_Escape && !event->isAutoRepeat()) {
    run_->Escape();
    return;
  }
  QDialog::keyReleaseEvent(event);
}

bool TForm20::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Label3 && event->type() == QEvent::MouseButtonDblClick) {
    Label3DblClick();
    return true;
  }
  if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Escape) {
      if (event->type() == QEvent::KeyRelease && !key->isAutoRepeat()) run_->Escape();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void TForm20::Label3DblClick() {
  StringGrid2->setVisible(!StringGrid2->isVisible());
}

void TForm20::show_label(int n, const std::string& text) {
  QLabel* labels[7] = {nullptr, Label1, Label2, nullptr, Label4, Label5, Label6};
  if (n >= 1 && n <= 6 && labels[n]) labels[n]->setText(qt::latin1(text));
}

void TForm20::enable_buttons(bool enabled) {
  Button1->setEnabled(enabled);
  Button2->setEnabled(enabled);
  Button3->setEnabled(enabled);
}

void TForm20::scroll_to(int top_row) {
  // Grid row n is model row n - 1.
  const QModelIndex index = StringGrid1->model()->index(top_row - 1, 0);
  if (index.isValid()) StringGrid1->scrollTo(index, QAbstractItemView::PositionAtTop);
}

void TForm20::close_window() {
  closing_ = true;
  run_->FormClose();
  done(QDialog::Rejected);
}

}  // namespace tarvex::eeprom
