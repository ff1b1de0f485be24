#pragma once

#include "bytewindow.h"

#include <QByteArrayView>
#include <QString>

#include <optional>

namespace spartiti {

// The playing time of an MPEG audio file (MP3, and layers I and II), in milliseconds,
// read from its frame headers. The frame count of a Xing, Info or VBRI header is used
// only when the byte count beside it matches the data (a file cut short, or two files
// joined, keep the first file's header); otherwise the frames are counted one by one,
// which is exact for constant and variable bit rates alike. The encoder's delay and
// padding, when a LAME-format extension records them, are left out as gapless players
// do. Nothing when no MPEG audio frame is found.
//
// The data is read through `read` a piece at a time; data that ends sooner than `size`
// said (a file cut while it is read) is taken to end there.
std::optional<qint64> mp3Duration(qint64 size, const ByteReader &read);
std::optional<qint64> mp3Duration(QByteArrayView bytes);
std::optional<qint64> mp3FileDuration(const QString &path);

// Whether the data holds a frame of MPEG audio where a player looks for the first one:
// past an ID3v2 tag and a little junk. Cheap: reads about a megabyte at most.
bool hasMpegAudio(qint64 size, const ByteReader &read);
bool fileHasMpegAudio(const QString &path);

} // namespace spartiti
