#pragma once

#include <string>

#include <QFile>
#include <QString>

namespace tarvex::qt {

// File contents and texts are 8-bit: one byte is one character, both ways,
// so the marker bytes 0xFB..0xFE survive a trip through a widget.
inline QString latin1(const std::string& text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}
inline std::string bytes(const QString& text) {
  return text.toLatin1().toStdString();
}

// A path is bytes in the file system's encoding (UTF-8 here), never 8-bit
// text: "Gerät" must name the folder that exists.
inline QString path_text(const std::string& path) {
  return QFile::decodeName(QByteArray(path.data(), static_cast<qsizetype>(path.size())));
}
inline std::string path_bytes(const QString& path) {
  return QFile::encodeName(path).toStdString();
}

}  // namespace tarvex::qt
