#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

namespace spartiti::windows1252 {

// The archive and the category list are single-byte Windows-1252 text. The five bytes
// that code page leaves undefined (81 8D 8F 90 9D) map to U+0081 ... U+009D and back,
// so that loading and saving a file never changes a byte the user did not edit.

QString decode(QByteArrayView bytes);

// The bytes of text, or nothing when a character has no Windows-1252 byte.
std::optional<QByteArray> encode(const QString &text);

// The first character of text that has no Windows-1252 byte, if any.
std::optional<QChar> firstUnencodable(const QString &text);

} // namespace spartiti::windows1252
