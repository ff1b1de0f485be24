#pragma once

#include <QFileDevice>
#include <QString>

namespace spartiti {

// Why a file could not be read, written, copied or renamed, in Italian, for the messages
// that name the file. `code` is the errno the failing call left behind (0 when unknown);
// `systemText` is the system's own wording (errorString(), strerror()), which is also
// recognised on its own when errno has been overwritten since. A cause without an
// Italian wording of its own is given generically, with the system's text in
// parentheses.
QString fileErrorCause(int code, const QString &systemText = QString());

// The same for a QFile or QSaveFile that failed, with errno read right after the call.
QString fileErrorCause(const QFileDevice &file, int code);

} // namespace spartiti
