#include "windows1252.h"

#include <QTextCodec>

#include <array>
#include <unordered_map>

namespace spartiti::windows1252 {

namespace {

bool isUndefinedByte(unsigned char byte)
{
    return byte == 0x81 || byte == 0x8D || byte == 0x8F || byte == 0x90 || byte == 0x9D;
}

// The code page's 256 characters, asked once from Qt's Windows-1252 codec and kept as
// tables: converting a whole archive byte by byte through the codec would be slow.
struct Tables
{
    std::array<QChar, 256> toUnicode;
    std::unordered_map<char16_t, char> fromUnicode;

    Tables()
    {
        QTextCodec *codec = QTextCodec::codecForName("windows-1252");
        Q_ASSERT(codec);
        for (int byte = 0; byte < 256; ++byte) {
            QChar c{char16_t(byte)};
            if (byte >= 0x80 && !isUndefinedByte(static_cast<unsigned char>(byte))) {
                const char raw = char(byte);
                const QString decoded = codec->toUnicode(&raw, 1);
                if (decoded.size() == 1)
                    c = decoded.front();
            }
            toUnicode[byte] = c;
            fromUnicode.emplace(c.unicode(), char(byte));
        }
    }
};

const Tables &tables()
{
    static const Tables instance;
    return instance;
}

} // namespace

QString decode(QByteArrayView bytes)
{
    const Tables &t = tables();
    QString text(bytes.size(), Qt::Uninitialized);
    QChar *out = text.data();
    for (qsizetype i = 0; i < bytes.size(); ++i)
        out[i] = t.toUnicode[static_cast<unsigned char>(bytes[i])];
    return text;
}

std::optional<QChar> firstUnencodable(const QString &text)
{
    const Tables &t = tables();
    for (const QChar c : text) {
        if (c.unicode() >= 0x80 && !t.fromUnicode.contains(c.unicode()))
            return c;
    }
    return std::nullopt;
}

std::optional<QByteArray> encode(const QString &text)
{
    const Tables &t = tables();
    QByteArray bytes(text.size(), Qt::Uninitialized);
    char *out = bytes.data();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < 0x80) {
            out[i] = char(c);
            continue;
        }
        const auto found = t.fromUnicode.find(c);
        if (found == t.fromUnicode.end())
            return std::nullopt;
        out[i] = found->second;
    }
    return bytes;
}

} // namespace spartiti::windows1252
