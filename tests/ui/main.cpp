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
  qInstallMessageHandler(quiet_offscreen);
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
