#pragma once

class QLabel;
class QPlainTextEdit;

namespace tarvex::outbound {

// Keeps memo to max_length characters (what is typed or pasted beyond them
// is dropped) and shows in left how many characters are left.
void limit_message_length(QPlainTextEdit* memo, QLabel* left, int max_length);

}  // namespace tarvex::outbound
