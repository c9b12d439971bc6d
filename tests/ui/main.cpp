#include <gtest/gtest.h>

#include <QApplication>

namespace {
void quiet_offscreen(QtMsgType type, const QMessageLogContext&, const QString& message) {
  // The offscreen platform warns about window hints it cannot honour.
  if (message.contains("propagateSizeHints")) return;
  if (type >= QtWarningMsg) fprintf(stderr, "%s\n", qPrintable(message));
}
}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
#ifdef Q_OS_WIN
  // Offscreen on Windows, Qt reads fonts from a folder, not from the system;
  // without one every glyph is a box as wide as it is high, and the tests
  // that measure text measure nothing.
  if (qEnvironmentVariableIsEmpty("QT_QPA_FONTDIR"))
    qputenv("QT_QPA_FONTDIR", qgetenv("WINDIR") + "\\Fonts");
#endif
  qInstallMessageHandler(quiet_offscreen);
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
