#include "platform/Cp1252.h"

namespace Kadex::Platform::Cp1252 {

namespace {

// Bytes 0x80 to 0x9F; the undefined ones map to the C1 control of the same value.
constexpr char16_t HighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

} // namespace

QChar toChar(unsigned char byte)
{
    if (byte >= 0x80 && byte < 0xA0) {
        return QChar(HighControls[byte - 0x80]);
    }
    return QChar(byte);
}

int toByte(QChar c)
{
    const char16_t u = c.unicode();
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
        return u;
    }
    for (int i = 0; i < 32; ++i) {
        if (HighControls[i] == u) {
            return 0x80 + i;
        }
    }
    return -1;
}

QString decode(const QByteArray &bytes)
{
    QString text;
    text.reserve(bytes.size());
    for (const char byte : bytes) {
        text.append(toChar(static_cast<unsigned char>(byte)));
    }
    return text;
}

QByteArray encode(const QString &text)
{
    QByteArray bytes;
    appendEncoded(bytes, text);
    return bytes;
}

namespace {

template <typename Bytes> void appendTo(Bytes &out, QStringView text)
{
    const auto start = out.size();
    out.resize(start + static_cast<decltype(start)>(text.size()));
    char *byte = out.data() + start;
    for (const QChar c : text) {
        const int code = toByte(c);
        *byte++ = code < 0 ? '?' : static_cast<char>(code);
    }
}

} // namespace

void appendEncoded(QByteArray &out, QStringView text)
{
    appendTo(out, text);
}

void appendEncoded(std::string &out, QStringView text)
{
    appendTo(out, text);
}

} // namespace Kadex::Platform::Cp1252
