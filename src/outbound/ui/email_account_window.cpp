#include "outbound/ui/email_account_window.h"

#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>

#include "outbound/email_channel.h"
#include "qt/text_convert.h"

namespace tarvex::outbound {

namespace {

constexpr int kWidth = 360;

using qt::latin1;

std::string text_of(const QLineEdit* edit) {
  return qt::bytes(edit->text());
}

QLabel* label(QWidget* parent, const QString& caption, const char* name, const QRect& where) {
  auto* l = new QLabel(caption, parent);
  l->setObjectName(name);
  l->setGeometry(where);
  return l;
}

QLineEdit* edit(QWidget* parent, const char* name, const QString& accessible, const QRect& where) {
  auto* e = new QLineEdit(parent);
  e->setObjectName(name);
  e->setAccessibleName(accessible);
  e->setGeometry(where);
  return e;
}

}  // namespace

TForm21::TForm21(EmailChannel& channel, QWidget* parent) : QDialog(parent), channel_(channel) {
  setObjectName("TForm21");
  setWindowTitle("Setup Email Account");

  // A blank spot in the top left corner.
  Label5 = label(this, QString(), "Label5", QRect(0, 0, 14, 14));
  const struct {
    const char* caption;
    const char* label_name;
    const char* edit_name;
    QLineEdit** target;
  } rows[] = {{"Name:", "Label1", "Edit1", &Edit1},
              {"Telephone Number:", "Label2", "Edit2", &Edit2},
              {"Email Address:", "Label3", "Edit3", &Edit3},
              {"SMTP Server:", "Label4", "Edit4", &Edit4},
              {"Login Name:", "Label7", "Edit7", &Edit7},
              {"Account Number:", "Label6", "Edit6", &Edit6}};
  int y = 24;
  for (const auto& row : rows) {
    label(this, row.caption, row.label_name, QRect(16, y + 3, 120, 18));
    *row.target = edit(this, row.edit_name, row.caption, QRect(140, y, 200, 22));
    y += 34;
  }
  Edit4->setToolTip("Host name of the SMTP server, optionally followed by :port");

  Button1 = new QPushButton("Apply", this);
  Button1->setObjectName("Button1");
  Button1->setGeometry(170, 242, 80, 26);
  Button1->setDefault(true);
  Button2 = new QPushButton("Cancel", this);
  Button2->setObjectName("Button2");
  Button2->setGeometry(260, 242, 80, 26);
  SecurityButton = new QPushButton("Security...", this);
  SecurityButton->setObjectName("SecurityButton");
  SecurityButton->setAccessibleName("Security");
  SecurityButton->setGeometry(16, 242, 100, 26);
  connect(SecurityButton, &QPushButton::clicked, this, &TForm21::SecurityButtonClick);
  connect(Button1, &QPushButton::clicked, this, &TForm21::Button1Click);
  connect(Button2, &QPushButton::clicked, this, &TForm21::Button2Click);

  // Below the short window's edge.
  GroupBox1 = new QGroupBox("Send to Settings:", this);
  GroupBox1->setObjectName("GroupBox1");
  GroupBox1->setGeometry(8, 296, kWidth - 16, 74);
  label(GroupBox1, "Email Address:", "Label8", QRect(8, 24, 110, 18));
  // A blank spot below the label.
  Label9 = label(GroupBox1, QString(), "Label9", QRect(8, 46, 100, 18));
  Edit5 = edit(GroupBox1, "Edit5", "Send to Email Address:", QRect(124, 22, 204, 22));
  Edit5->setText(kDefaultProgrammingMailbox);

  Label5->installEventFilter(this);
  Label9->installEventFilter(this);
  FormCreate();
}

void TForm21::set_window_height(int height) {
  setFixedSize(kWidth, height);
  // What lies below the window's edge must not take the keyboard either.
  GroupBox1->setVisible(height >= kTallHeight);
}

void TForm21::load_into_fields() {
  if (!channel_.load_email_settings()) return;
  const EmailSettings& s = channel_.settings();
  Edit1->setText(latin1(s.owner_name));
  Edit2->setText(latin1(s.telephone_number));
  Edit3->setText(latin1(s.sender_address));
  Edit4->setText(latin1(s.smtp_server));
  Edit7->setText(latin1(s.login_name));
  Edit6->setText(latin1(s.account_number));
  Edit5->setText(latin1(s.send_to_address));
}

void TForm21::FormCreate() {
  set_window_height(kShortHeight);
  Edit5->setReadOnly(true);
  load_into_fields();
}

void TForm21::FormActivate() {
  set_window_height(kShortHeight);
  load_into_fields();
  Edit5->setReadOnly(true);
  Edit1->setFocus();
}

void TForm21::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // Each opening, not a restore from the task bar.
  if (!event->spontaneous()) FormActivate();
}

bool TForm21::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonDblClick) {
    if (watched == Label5) Label5DblClick();
    if (watched == Label9) Label9DblClick();
  }
  return QDialog::eventFilter(watched, event);
}

void TForm21::Label5DblClick() {
  set_window_height(kTallHeight);
}

void TForm21::Label9DblClick() {
  Edit5->setReadOnly(false);
}

void TForm21::Button1Click() {
  channel_.save_email_settings({text_of(Edit1), text_of(Edit2), text_of(Edit3), text_of(Edit4),
                                text_of(Edit7), text_of(Edit6), text_of(Edit5)});
}

void TForm21::SecurityButtonClick() {
  channel_.ui().show_modal("EmailSecurityWindow");
}

void TForm21::Button2Click() {
  reject();
}

}  // namespace tarvex::outbound
