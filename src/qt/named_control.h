#pragma once

#include <QString>
#include <QWidget>

namespace tarvex::qt {

// Gives a control the name it has in the window's resources and the name a
// screen reader reads: its caption or label, without the "&" of an Alt key.
template <typename W>
W* named(W* widget, const char* name, const QString& spoken) {
  widget->setObjectName(name);
  widget->setAccessibleName(QString(spoken).remove('&'));
  return widget;
}

}  // namespace tarvex::qt
