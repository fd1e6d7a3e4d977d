#pragma once

#include <QByteArray>
#include <QString>

#include <string>

// Windows-1252, the code page in which this program's files and logs hold their text.
// Decoding is lossless: the five bytes the code page leaves undefined come back as U+0081, U+008D, U+008F,
// U+0090 and U+009D, so a text read and written again keeps its bytes.
namespace Kadex::Platform::Cp1252 {

// The character of one byte.
QChar toChar(unsigned char byte);
// The byte of one character, or -1 when the code page has none.
int toByte(QChar c);

QString decode(const QByteArray &bytes);
// Characters without a byte become '?'.
QByteArray encode(const QString &text);
// The same bytes, appended to out.
void appendEncoded(QByteArray &out, QStringView text);
void appendEncoded(std::string &out, QStringView text);

} // namespace Kadex::Platform::Cp1252
