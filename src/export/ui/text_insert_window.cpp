#include "export/ui/text_insert_window.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "qt/text_convert.h"

namespace tarvex::exporting {

TForm11::TForm11(app::Session& session, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      session_(session) {
  setObjectName("TForm11");
  setWindowTitle("Text Insert");
  auto* layout = new QVBoxLayout(this);
  auto* label = new QLabel("Text to insert before function character:", this);
  label->setObjectName("Label1");
  Edit1 = new QLineEdit(this);
  Edit1->setObjectName("Edit1");
  Edit1->setAccessibleName(label->text());
  label->setBuddy(Edit1);
  Button1 = new QPushButton("Insert", this);
  Button1->setObjectName("Button1");
  Button1->setAccessibleName("Insert");
  Button1->setDefault(true);
  layout->addWidget(label);
  layout->addWidget(Edit1);
  layout->addWidget(Button1, 0, Qt::AlignCenter);
  connect(Edit1, &QLineEdit::textChanged, this,
          [this](const QString& text) { session_.text_insert = qt::bytes(text); });
  connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
  setFixedSize(sizeHint().expandedTo(QSize(300, 0)));
}

void TForm11::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  Edit1->setText(qt::latin1(session_.text_insert));
  Edit1->selectAll();
  Edit1->setFocus();
}

}  // namespace tarvex::exporting
