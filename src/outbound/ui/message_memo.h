#pragma once

#include <string>

class QLabel;
class QMenuBar;
class QPlainTextEdit;
class QWidget;

namespace tarvex::outbound {

// Keeps memo to max_length characters as written (a line break is written as
// CR LF and counts two; what is typed or pasted beyond them is dropped) and
// shows in left how many characters are left.
void limit_message_length(QPlainTextEdit* memo, QLabel* left, int max_length);

// The memo's text as 8-bit bytes, its line breaks as CR LF like every text
// file the program writes.
std::string memo_bytes(const QPlainTextEdit* memo);

// The menu bar of a window other than the main window, "MainMenu1"; its
// overflow button, shown when the window is too narrow, is named as well.
QMenuBar* window_menu_bar(QWidget* window);

}  // namespace tarvex::outbound
