#include "app/Win1252.h"

#include <QFile>
#include <QStringDecoder>

#include <array>

namespace keelson {

namespace {

// 0x80 to 0x9F. The five bytes the code page leaves undefined keep the C1
// control of the same number, so that they too come back unchanged.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char16_t CharOfByte(unsigned char b) {
    if (b >= 0x80 && b < 0xA0) {
        return kHighControls[b - 0x80];
    }
    return b;
}

char ByteOfChar(char16_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
        return static_cast<char>(c);
    }
    for (std::size_t i = 0; i < kHighControls.size(); ++i) {
        if (kHighControls[i] == c) {
            return static_cast<char>(0x80 + i);
        }
    }
    return '?';
}

}  // namespace

QString FromAnsi(std::string_view bytes) {
    QString text;
    text.resize(static_cast<qsizetype>(bytes.size()));
    QChar* out = text.data();
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        out[i] = QChar(CharOfByte(static_cast<unsigned char>(bytes[i])));
    }
    return text;
}

std::string ToAnsi(const QString& text) {
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(text.size()));
    for (qsizetype i = 0; i < text.size(); ++i) {
        char16_t c = text[i].unicode();
        // A character beyond the 16-bit plane is one "?", not two.
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            ++i;
            bytes.push_back('?');
            continue;
        }
        bytes.push_back(ByteOfChar(c));
    }
    return bytes;
}

QString FromPath(std::string_view bytes) {
#ifdef _WIN32
    return FromAnsi(bytes);
#else
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    return utf8.hasError() ? FromAnsi(bytes) : text;
#endif
}

std::string ToPath(const QString& text) {
#ifdef _WIN32
    return ToAnsi(text);
#else
    QByteArray bytes = QFile::encodeName(text);
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
#endif
}

std::string PathOfBox(const QString& text, const std::string& original) {
    return text == FromPath(original) ? original : ToPath(text);
}

}  // namespace keelson
