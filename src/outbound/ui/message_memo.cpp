#include "outbound/ui/message_memo.h"

#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QToolButton>

#include "qt/text_convert.h"

namespace tarvex::outbound {

void limit_message_length(QPlainTextEdit* memo, QLabel* left, int max_length) {
  left->setText(QString::number(max_length - memo->toPlainText().size()));
  QObject::connect(memo, &QPlainTextEdit::textChanged, left, [memo, left, max_length] {
    const QString text = memo->toPlainText();
    const int excess = static_cast<int>(text.size()) - max_length;
    if (excess > 0) {
      // The characters just inserted beyond the limit go; this handler runs
      // again for the shortened text.
      QTextCursor cursor = memo->textCursor();
      const int end = cursor.position();
      if (end >= excess) {
        cursor.setPosition(end - excess);
        cursor.setPosition(end, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
      } else {
        memo->setPlainText(text.left(max_length));
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
