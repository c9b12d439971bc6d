#include "export/ui/manual_window.h"

#include <algorithm>

#include <QPushButton>
#include <QResizeEvent>
#include <QTextEdit>

#include "export/manual.h"

namespace tarvex::exporting {

TForm15::TForm15(app::Session& session, QWidget* parent) : QDialog(parent), session_(session) {
  setObjectName("TForm15");
  setWindowTitle("Dralmora Manual");
  setSizeGripEnabled(true);
  RichEdit1 = new QTextEdit(this);
  RichEdit1->setObjectName("RichEdit1");
  RichEdit1->setAccessibleName("Dralmora Manual");
  RichEdit1->setReadOnly(true);
  RichEdit1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  RichEdit1->move(12, 12);
  Button1 = new QPushButton("Close", this);
  Button1->setObjectName("Button1");
  Button1->setAccessibleName("Close");
  Button1->resize(75, 25);
  connect(Button1, &QPushButton::clicked, this, &QDialog::close);
  resize(798, 598);
}

void TForm15::show_manual() {
  RichEdit1->clear();
  show();
  raise();
  activateWindow();
  // The window is already on the screen when a missing manual is reported.
  if (auto html = load_manual(session_)) RichEdit1->setHtml(QString::fromLatin1(*html));
}

void TForm15::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  const int w = event->size().width();
  const int h = event->size().height();
  RichEdit1->resize(std::max(w - 24, 0), std::max(h - 90, 0));
  Button1->move(w / 2 - 37, h - 70);
}

}  // namespace tarvex::exporting
