#include "gui/app/Win1252.h"

#include <QFile>
#include <QStringDecoder>

#include "core/common/Win1252.h"

namespace keelson {

QString FromAnsi(std::string_view bytes) {
    QString text;
    text.resize(static_cast<qsizetype>(bytes.size()));
    QChar* out = text.data();
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        out[i] = QChar(CharOfAnsiByte(static_cast<unsigned char>(bytes[i])));
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
        bytes.push_back(AnsiByteOfChar(c));
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
