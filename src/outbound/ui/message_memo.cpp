#include "outbound/ui/message_memo.h"

#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QToolButton>

#include "qt/text_convert.h"

namespace tarvex::outbound {

namespace {

// A line break goes into the file as CR LF: two bytes.
int written_length(const QString& text) {
  return static_cast<int>(text.size() + text.count('\n'));
}

}  // namespace

void limit_message_length(QPlainTextEdit* memo, QLabel* left, int max_length) {
  left->setText(QString::number(max_length - written_length(memo->toPlainText())));
  QObject::connect(memo, &QPlainTextEdit::textChanged, left, [memo, left, max_length] {
    const QString text = memo->toPlainText();
    const int excess = written_length(text) - max_length;
    if (excess > 0) {
      // The characters just inserted beyond the limit go; this handler runs
      // again for the shortened text.
      QTextCursor cursor = memo->textCursor();
      const int end = cursor.position();
      int start = end;
      for (int dropped = 0; start > 0 && dropped < excess; --start)
        dropped += text.at(start - 1) == '\n' ? 2 : 1;
      if (end > start) {
        cursor.setPosition(start);
        cursor.setPosition(end, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
      } else {
        QString kept = text;
        while (written_length(kept) > max_length) kept.chop(1);
        memo->setPlainText(kept);
        memo->moveCursor(QTextCursor::End);
      }
      return;
    }
    left->setText(QString::number(-excess));
  });
}

std::string memo_bytes(const QPlainTextEdit* memo) {
  return qt::bytes(memo->toPlainText().replace('\n', "\r\n"));
}

QMenuBar* window_menu_bar(QWidget* window) {
  auto* bar = new QMenuBar(window);
  bar->setObjectName("MainMenu1");
  for (auto* button : bar->findChildren<QToolButton*>()) button->setAccessibleName("More menus");
  return bar;
}

}  // namespace tarvex::outbound
