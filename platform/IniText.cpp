#include "platform/IniText.h"

#include "platform/Cp1252.h"

#include <algorithm>

namespace Kadex::Platform {

namespace {

// GetPrivateProfileInt reads the value into a buffer of 30 characters.
constexpr qsizetype IntCharacters = 29;

bool isBlank(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 0x09 && u <= 0x0D) || u == 0x1A || u == 0x20;
}

// The services hand names and values on as C strings, so a NUL ends them.
QStringView cutAtNul(QStringView text)
{
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    return nul < 0 ? text : text.first(nul);
}

QByteArray cutAtNul(const QByteArray &bytes)
{
    const qsizetype nul = bytes.indexOf('\0');
    return nul < 0 ? bytes : bytes.first(nul);
}

bool isBlankByte(char c)
{
    return isBlank(QChar(static_cast<unsigned char>(c)));
}

QByteArray trimmedBytes(const QByteArray &bytes)
{
    qsizetype begin = 0;
    qsizetype end = bytes.size();
    while (begin < end && isBlankByte(bytes[begin])) {
        ++begin;
    }
    while (end > begin && isBlankByte(bytes[end - 1])) {
        --end;
    }
    return bytes.sliced(begin, end - begin);
}

// Letters and signs without a decomposition that the Windows-1252 best-fit table still maps to a plain one.
struct BestFit
{
    char16_t from;
    char to;
};

constexpr BestFit BestFitExtras[] = {
    {0x0110, 'D'},  {0x0111, 'd'},  {0x0126, 'H'}, {0x0127, 'h'}, {0x0131, 'i'}, {0x0141, 'L'}, {0x0142, 'l'},
    {0x0166, 'T'},  {0x0167, 't'},  {0x0180, 'b'}, {0x0197, 'I'}, {0x019A, 'l'}, {0x01B5, 'Z'}, {0x01B6, 'z'},
    {0x01E4, 'G'},  {0x01E5, 'g'},  {0x2010, '-'}, {0x2011, '-'}, {0x2012, '-'}, {0x2015, '-'}, {0x201B, '\''},
    {0x201F, '"'},  {0x2032, '\''}, {0x2033, '"'}, {0x2035, '`'}, {0x2044, '/'}, {0x2212, '-'}, {0x2215, '/'},
    {0x2216, '\\'}, {0x2217, '*'},  {0x2223, '|'}, {0x2236, ':'}, {0x223C, '~'}, {0x3000, ' '},
};

// The Windows-1252 byte of a character, or the nearest plain one (an accented letter gives its base letter),
// or '?'.
char bestFitByte(QChar c)
{
    const int direct = Cp1252::toByte(c);
    if (direct >= 0) {
        return static_cast<char>(direct);
    }
    for (const BestFit &fit : BestFitExtras) {
        if (fit.from == c.unicode()) {
            return fit.to;
        }
    }
    const QString decomposed = c.decomposition();
    if (!decomposed.isEmpty()) {
        const int base = Cp1252::toByte(decomposed.front());
        if (base > 0) {
            return static_cast<char>(base);
        }
    }
    return '?';
}

} // namespace

IniText::IniText(const QByteArray &bytes) : m_chunks{bytes}
{
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        m_encoding = Encoding::Utf8;
        m_bom = bytes.first(3);
    } else if (bytes.startsWith("\xFF\xFE")) {
        m_encoding = Encoding::Utf16Le;
        m_bom = bytes.first(2);
    } else if (bytes.startsWith("\xFE\xFF")) {
        m_encoding = Encoding::Utf16Be;
        m_bom = bytes.first(2);
    }
    qsizetype end = bytes.size();
    if ((end - m_bom.size()) % unitSize() != 0) {
        m_tail = bytes.last(1);
        --end;
    }
    // The lines lie in the bytes given: a file read is held once, however many texts are made of it.
    m_lines = splitLines(bytes, m_bom.size(), end, 0);
    countEndings(m_lines, 1);
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        if (m_lines[i].kind == Kind::Header) {
            m_headers.append(i);
        }
    }
}

QByteArray IniText::bytes() const
{
    if (m_chunks.size() == 1) {
        return m_chunks.front(); // the bytes the text was made from, unchanged
    }
    qsizetype size = m_bom.size() + m_tail.size();
    for (const Line &line : m_lines) {
        size += line.contentSize + endingSize(line);
    }
    QByteArray all;
    all.reserve(size);
    all += m_bom;
    for (const Line &line : m_lines) {
        all += whole(line);
    }
    all += m_tail;
    return all;
}

QList<QByteArrayView> IniText::pieces() const
{
    QList<QByteArrayView> runs;
    if (!m_bom.isEmpty()) {
        runs.append(m_bom);
    }
    for (const Line &line : m_lines) {
        const QByteArrayView bytes = whole(line);
        if (!runs.isEmpty() && runs.back().data() + runs.back().size() == bytes.data()) {
            runs.back() = QByteArrayView(runs.back().data(), runs.back().size() + bytes.size());
        } else if (!bytes.isEmpty()) {
            runs.append(bytes);
        }
    }
    if (!m_tail.isEmpty()) {
        runs.append(m_tail);
    }
    return runs;
}

QByteArrayView IniText::content(const Line &line) const
{
    return {m_chunks.at(line.chunk).constData() + line.start, qsizetype(line.contentSize)};
}

QByteArrayView IniText::whole(const Line &line) const
{
    return {m_chunks.at(line.chunk).constData() + line.start, line.contentSize + endingSize(line)};
}

// Units are what the file's lines are split and parsed in: bytes for Windows-1252 and UTF-8 files (every
// character the parser looks for is ASCII, which UTF-8 never uses inside a longer sequence), 16-bit code units
// for UTF-16 files. Bytes are carried in a QString as Latin-1 characters.
QString IniText::units(QByteArrayView raw) const
{
    if (unitSize() == 1) {
        return QString::fromLatin1(raw);
    }
    const bool littleEndian = m_encoding == Encoding::Utf16Le;
    QString text(raw.size() / 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const auto first = static_cast<unsigned char>(raw[2 * i]);
        const auto second = static_cast<unsigned char>(raw[2 * i + 1]);
        text[i] = QChar(littleEndian ? char16_t(first | second << 8) : char16_t(first << 8 | second));
    }
    return text;
}

QByteArray IniText::rawOf(const QString &text) const
{
    if (unitSize() == 1) {
        return text.toLatin1();
    }
    const bool littleEndian = m_encoding == Encoding::Utf16Le;
    QByteArray raw;
    raw.reserve(text.size() * 2);
    for (const QChar c : text) {
        const auto low = static_cast<char>(c.unicode() & 0xFF);
        const auto high = static_cast<char>(c.unicode() >> 8);
        raw.append(littleEndian ? low : high);
        raw.append(littleEndian ? high : low);
    }
    return raw;
}

// Names are compared as Latin-1 bytes in a Windows-1252 file and as Unicode in the others; an argument is brought
// into the same form, cut at NUL and trimmed.
QString IniText::nameUnits(const QByteArray &argument) const
{
    const QByteArray bytes = trimmedBytes(cutAtNul(argument));
    return m_encoding == Encoding::Ansi ? QString::fromLatin1(bytes) : Cp1252::decode(bytes);
}

QByteArray IniText::toAnsi(const QString &text) const
{
    if (m_encoding == Encoding::Ansi) {
        return text.toLatin1();
    }
    const QString unicode = m_encoding == Encoding::Utf8 ? QString::fromUtf8(text.toLatin1()) : text;
    QByteArray ansi;
    ansi.reserve(unicode.size());
    for (const QChar c : unicode) {
        ansi.append(bestFitByte(c));
    }
    return ansi;
}

QByteArray IniText::encodeText(const QByteArray &ansi) const
{
    switch (m_encoding) {
    case Encoding::Ansi:
        return ansi;
    case Encoding::Utf8:
        return Cp1252::decode(ansi).toUtf8();
    case Encoding::Utf16Le:
    case Encoding::Utf16Be:
        return rawOf(Cp1252::decode(ansi));
    }
    return ansi;
}

void IniText::countEndings(const QList<Line> &lines, qsizetype sign)
{
    for (const Line &line : lines) {
        m_endings[static_cast<size_t>(line.ending)] += sign;
    }
}

// The line ending most lines of the file use; CRLF for a file without any.
QByteArray IniText::dominantEnding() const
{
    const qsizetype crlfCount = m_endings[static_cast<size_t>(Ending::CrLf)];
    const qsizetype lfCount = m_endings[static_cast<size_t>(Ending::Lf)];
    const qsizetype crCount = m_endings[static_cast<size_t>(Ending::Cr)];
    if (lfCount > crlfCount && lfCount >= crCount) {
        return rawOf(QStringLiteral("\n"));
    }
    if (crCount > crlfCount && crCount > lfCount) {
        return rawOf(QStringLiteral("\r"));
    }
    return rawOf(QStringLiteral("\r\n"));
}

qsizetype IniText::lineOffset(qsizetype index) const
{
    qsizetype line = 0;
    qsizetype offset = m_bom.size();
    if (m_placedOffset >= 0 && m_placedLine <= index) {
        line = m_placedLine;
        offset = m_placedOffset;
    }
    for (; line < index; ++line) {
        offset += m_lines.at(line).contentSize + endingSize(m_lines.at(line));
    }
    m_placedLine = index;
    m_placedOffset = offset;
    return offset;
}

std::optional<QByteArray> IniText::value(const QByteArray &section, const QByteArray &key) const
{
    Section *found = findSection(section);
    if (!found) {
        return std::nullopt;
    }
    const qsizetype index = findKey(*found, key);
    return index < 0 ? std::nullopt : valueOfLine(index);
}

std::optional<QByteArray> IniText::valueOfLine(qsizetype index) const
{
    const Line &line = m_lines.at(index);
    const Parsed parts = parsed(line);
    if (parts.valueStart < 0) {
        return std::nullopt;
    }
    const QString text = units(content(line));
    QStringView value = cutAtNul(QStringView(text).sliced(parts.valueStart, parts.valueEnd - parts.valueStart));
    if (value.size() > 1 && (value.front() == u'"' || value.front() == u'\'') && value.back() == value.front()) {
        value = value.sliced(1, value.size() - 2);
    }
    return toAnsi(value.toString());
}

QByteArray IniText::getString(const QByteArray &section, const QByteArray &key, const QByteArray &defaultValue,
                              int bufferSize) const
{
    return bufferedString(value(section, key), defaultValue, bufferSize);
}

QByteArray IniText::bufferedString(const std::optional<QByteArray> &found, const QByteArray &defaultValue,
                                   int bufferSize)
{
    if (bufferSize <= 0) {
        return {};
    }
    if (found) {
        return found->left(bufferSize - 1);
    }
    const QByteArray cut = cutAtNul(defaultValue);
    QByteArrayView fallback(cut);
    while (fallback.endsWith(' ')) {
        fallback.chop(1);
    }
    return fallback.first(std::min<qsizetype>(fallback.size(), bufferSize - 1)).toByteArray();
}

qint32 IniText::getInt(const QByteArray &section, const QByteArray &key, qint32 defaultValue) const
{
    return leadingInt(value(section, key), defaultValue);
}

qint32 IniText::leadingInt(const std::optional<QByteArray> &found, qint32 defaultValue)
{
    if (!found || found->isEmpty()) {
        return defaultValue;
    }
    const QByteArray text = found->left(IntCharacters);
    qsizetype i = 0;
    while (i < text.size() && static_cast<unsigned char>(text[i]) <= ' ') {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // Prefixes count in lower case only: "0X1f" reads as 0.
    quint32 base = 10;
    if (i + 1 < text.size() && text[i] == '0') {
        const char prefix = text[i + 1];
        base = prefix == 'x' ? 16 : prefix == 'o' ? 8 : prefix == 'b' ? 2 : 10;
        if (base != 10) {
            i += 2;
        }
    }
    quint32 total = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        quint32 digit = 36;
        if (c >= '0' && c <= '9') {
            digit = quint32(c - '0');
        } else if (c >= 'a' && c <= 'z') {
            digit = quint32(c - 'a' + 10);
        } else if (c >= 'A' && c <= 'Z') {
            digit = quint32(c - 'A' + 10);
        }
        if (digit >= base) {
            break;
        }
        total = total * base + digit; // wraps modulo 2^32 on purpose
    }
    return static_cast<qint32>(negative ? 0u - total : total);
}

IniText::Edit IniText::write(const QByteArray &section, const QByteArray &key, const QByteArray &value)
{
    const QByteArray sectionText = trimmedBytes(cutAtNul(section));
    const QByteArray keyText = trimmedBytes(cutAtNul(key));
    QByteArray valueText = cutAtNul(value);
    qsizetype blanks = 0;
    while (blanks < valueText.size() && isBlankByte(valueText[blanks])) {
        ++blanks;
    }
    valueText.remove(0, blanks);

    Section *found = findSection(sectionText);
    if (!found) {
        return insertLines(m_lines.size(), encodeText('[' + sectionText + ']') + dominantEnding() +
                                               encodeText(keyText + '=' + valueText));
    }
    const qsizetype index = findKey(*found, keyText);
    if (index < 0) {
        qsizetype after = firstLine(*found);
        for (qsizetype i = after; i < endLine(*found); ++i) {
            if (m_lines.at(i).kind == Kind::Entry) {
                after = i + 1;
            }
        }
        return insertLines(after, encodeText(keyText + '=' + valueText));
    }

    // The line keeps everything up to its value, the stored key's letter case and any blanks around '=' included.
    const Line &line = m_lines.at(index); // at(): reading must not unshare the lines
    const Parsed parts = parsed(line);
    const qsizetype unit = unitSize();
    const qsizetype from = parts.valueStart >= 0 ? parts.valueStart : parts.keyEnd;
    Edit edit;
    edit.offset = lineOffset(index) + from * unit;
    edit.removed = line.contentSize - from * unit;
    edit.inserted = encodeText(parts.valueStart >= 0 ? valueText : QByteArray('=' + valueText));
    const QByteArray raw =
        content(line).first(from * unit).toByteArray() + edit.inserted + whole(line).sliced(line.contentSize);
    if (raw == whole(line)) {
        // The entry holds the value already: nothing to parse again, and a shared text stays shared.
        edit.changed = false;
        return edit;
    }
    reparse(index, index + 1, raw);
    return edit;
}

IniText::Edit IniText::remove(const QByteArray &section, const QByteArray &key)
{
    Edit edit;
    edit.changed = false;
    Section *found = findSection(trimmedBytes(cutAtNul(section)));
    if (!found) {
        return edit;
    }
    const qsizetype index = findKey(*found, trimmedBytes(cutAtNul(key)));
    if (index < 0) {
        return edit;
    }
    edit.offset = lineOffset(index);
    edit.removed = whole(m_lines.at(index)).size();
    edit.changed = true;
    reparse(index, index + 1, QByteArray());
    return edit;
}

IniText::Edit IniText::insertLines(qsizetype index, const QByteArray &text)
{
    const QByteArray ending = dominantEnding();
    Edit edit;
    edit.offset = lineOffset(index);
    // Only the last line can lack a line ending; it gets one, and the file goes on ending without one.
    if (index > 0 && m_lines.at(index - 1).ending == Ending::None) {
        edit.inserted = ending + text;
    } else {
        edit.inserted = text + ending;
    }
    reparse(index, index, edit.inserted);
    return edit;
}

} // namespace Kadex::Platform
