#pragma once

#include <QByteArrayView>
#include <QString>

#include <optional>

namespace spartiti {

// The playing time of an MPEG audio file (MP3, and layers I and II), in milliseconds,
// read from its frame headers: the frame count of a Xing, Info or VBRI header when the
// encoder wrote one, otherwise the frames counted one by one, which is exact for
// constant and variable bit rates alike. Nothing when the bytes are not MPEG audio.
std::optional<qint64> mp3Duration(QByteArrayView bytes);
std::optional<qint64> mp3FileDuration(const QString &path);

} // namespace spartiti
