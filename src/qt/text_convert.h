#pragma once

#include <string>

#include <QDir>
#include <QFile>
#include <QString>
#include <QStringDecoder>

namespace tarvex::qt {

// File contents and texts are 8-bit: one byte is one character, both ways,
// so the marker bytes 0xFB..0xFE survive a trip through a widget.
inline QString latin1(const std::string& text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}
inline std::string bytes(const QString& text) {
  return text.toLatin1().toStdString();
}

// A path is bytes in the file system's encoding, never 8-bit text: "Gerät"
// must name the folder that exists. On Windows the core takes UTF-8 paths to
// the wide file API (platform/file_api.h), and reads bytes that are no UTF-8
// in the ANSI code page, as older settings files hold them.
inline QString path_text(const std::string& path) {
#ifdef Q_OS_WIN
  QStringDecoder utf8(QStringDecoder::Utf8);
  const QString text = utf8(QByteArrayView(path.data(), static_cast<qsizetype>(path.size())));
  if (!utf8.hasError()) return text;
  return QString::fromLocal8Bit(path.data(), static_cast<qsizetype>(path.size()));
#else
  return QFile::decodeName(QByteArray(path.data(), static_cast<qsizetype>(path.size())));
#endif
}
inline std::string path_bytes(const QString& path) {
#ifdef Q_OS_WIN
  // Qt's dialogs give "/"; the program builds and shows paths with "\".
  return QDir::toNativeSeparators(path).toUtf8().toStdString();
#else
  return QFile::encodeName(path).toStdString();
#endif
}

// A message to the operator mixes fixed 8-bit text with paths (a file that
// could not be written, a folder that could not be made). Text that is valid
// UTF-8 is shown as UTF-8, so a path reads as the file system names it; any
// other text (the marker bytes 0xFB..0xFE, Latin-1 letters) keeps one
// character per byte. Plain ASCII reads the same either way.
inline QString message_text(const std::string& text) {
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  const QString decoded = utf8(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
  if (!utf8.hasError()) return decoded;
  return latin1(text);
}

}  // namespace tarvex::qt
