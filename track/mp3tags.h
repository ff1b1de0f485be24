#pragma once

#include "bytewindow.h"

namespace spartiti {

// The tags around the audio of an MP3 file, which hold no frames and are skipped before
// frames are looked for: ID3v2 in front, ID3v1, APE and Lyrics3 at the end.
qint64 skipId3v2(ByteWindow &data, qint64 at);
qint64 audioEnd(ByteWindow &data);

} // namespace spartiti
