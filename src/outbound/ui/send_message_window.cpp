#include "outbound/ui/send_message_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QShowEvent>
#include <QTextCursor>

#include "app/main_window_access.h"
#include "outbound/ui/message_memo.h"
#include "qt/text_convert.h"

namespace tarvex::outbound {

using qt::bytes;
using qt::latin1;

TForm3::TForm3(app::MainWindowAccess& main_window, EmailChannel& email, QWidget* parent)
    : QDialog(parent),
      main_(main_window),
      sender_(main_window.session(), email,
              [&main_window](const std::string& event) { main_window.write_log(event); }) {
  setObjectName("TForm3");
  setWindowTitle("Send Message");
  auto* grid = new QGridLayout(this);

  auto* number_label = new QLabel("&Number:", this);
  number_label->setObjectName("Label1");
  ComboBox1 = new QComboBox(this);
  ComboBox1->setObjectName("ComboBox1");
  ComboBox1->setEditable(true);
  ComboBox1->setInsertPolicy(QComboBox::NoInsert);
  ComboBox1->setAccessibleName("Number:");
  ComboBox1->setMinimumWidth(220);
  number_label->setBuddy(ComboBox1);
  grid->addWidget(number_label, 0, 0);
  grid->addWidget(ComboBox1, 0, 1, 1, 2);

  auto* message_label = new QLabel("&Message:", this);
  message_label->setObjectName("Label2");
  Memo1 = new QPlainTextEdit(this);
  Memo1->setObjectName("Memo1");
  Memo1->setAccessibleName("Message:");
  Memo1->setTabChangesFocus(true);
  Memo1->setMinimumSize(320, 90);
  message_label->setBuddy(Memo1);
  grid->addWidget(message_label, 1, 0, Qt::AlignTop);
  grid->addWidget(Memo1, 1, 1, 1, 2);

  auto* left_label = new QLabel("Characters left:", this);
  left_label->setObjectName("Label3");
  Label4 = new QLabel(QString::number(kMaxMessageLength), this);
  Label4->setObjectName("Label4");
  left_label->setBuddy(Label4);
  grid->addWidget(left_label, 2, 1, Qt::AlignRight);
  grid->addWidget(Label4, 2, 2);

  CheckBox1 = new QCheckBox("Send via &Email", this);
  CheckBox1->setObjectName("CheckBox1");
  grid->addWidget(CheckBox1, 3, 1);

  auto* buttons = new QHBoxLayout;
  Button1 = new QPushButton("&Send", this);
  Button1->setObjectName("Button1");
  Button1->setDefault(true);
  Button2 = new QPushButton("Cancel", this);
  Button2->setObjectName("Button2");
  Button2->setAutoDefault(false);
  buttons->addStretch();
  buttons->addWidget(Button1);
  buttons->addWidget(Button2);
  grid->addLayout(buttons, 4, 0, 1, 3);

  Memo1->installEventFilter(this);
  limit_message_length(Memo1, Label4, kMaxMessageLength);
  connect(Button1, &QPushButton::clicked, this, &TForm3::Button1Click);
  connect(Button2, &QPushButton::clicked, this, &TForm3::Button2Click);
}

void TForm3::show_recent_numbers(int select) {
  const QString typed = ComboBox1->currentText();
  ComboBox1->clear();
  for (const std::string& number : sender_.recent().list()) ComboBox1->addItem(latin1(number));
  if (select >= 0) {
    ComboBox1->setCurrentIndex(select);
  } else {
    // No entry chosen: the box keeps what it showed.
    ComboBox1->setCurrentIndex(-1);
    ComboBox1->setEditText(typed);
  }
}

void TForm3::PopulateNumbers(const std::string& number) {
  show_recent_numbers(sender_.recent().PopulateNumbers(number));
}

void TForm3::FormActivate() {
  const SendMessageOpening opening = take_presets(main_.session(), main_.unit_number());
  if (opening.number) PopulateNumbers(*opening.number);
  if (opening.text) {
    Memo1->setPlainText(latin1(*opening.text));
    ComboBox1->setCurrentIndex(-1);
    ComboBox1->setEditText(QString());
  }
  Memo1->moveCursor(QTextCursor::End);
  if (ComboBox1->currentText().isEmpty()) {
    ComboBox1->setFocus();
  } else {
    Memo1->setFocus();
  }
}

void TForm3::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // Each opening, not a restore from the task bar.
  if (!event->spontaneous()) FormActivate();
}

bool TForm3::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Memo1 && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    // The message is one line: Enter presses "Send" instead.
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      Button1->click();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void TForm3::Button1Click() {
  // The window stays usable while an e-mail is on its way; a second press
  // meanwhile would only be turned away and close the window under the first.
  if (sending_) return;
  const QScopedValueRollback<bool> sending(sending_, true);
  const std::string number = bytes(ComboBox1->currentText());
  const std::string text = memo_bytes(Memo1);
  const SendOutcome outcome =
      CheckBox1->isChecked() ? sender_.send_by_email(number, text) : sender_.send_sms(number, text);
  if (outcome.sent) show_recent_numbers(outcome.select);
  if (outcome.close) accept();
}

void TForm3::Button2Click() {
  reject();
}

}  // namespace tarvex::outbound
