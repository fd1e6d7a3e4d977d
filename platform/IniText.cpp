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

IniText::IniText(const QByteArray &bytes)
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
    QByteArray body = bytes.sliced(m_bom.size());
    if (body.size() % unitSize() != 0) {
        m_tail = body.last(1);
        body.chop(1);
    }
    m_lines = splitLines(body);
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        if (m_lines[i].kind == Kind::Header) {
            m_headers.append(i);
        }
    }
}

// The lines of body, whole units in the file's encoding. A line ends at CRLF, at a lone CR or at a lone LF; blank
// lines between are lines of their own.
QList<IniText::Line> IniText::splitLines(const QByteArray &body) const
{
    if (unitSize() == 1) {
        return splitUnits(body, reinterpret_cast<const unsigned char *>(body.constData()), body.size(), 1);
    }
    const QString text = units(body);
    return splitUnits(body, reinterpret_cast<const char16_t *>(text.utf16()), text.size(), 2);
}

// The lines of body, whose units (bytes, or 16-bit code units of a UTF-16 file) are text[0..count).
template <typename Unit>
QList<IniText::Line> IniText::splitUnits(const QByteArray &body, const Unit *text, qsizetype count, qsizetype unit)
{
    QList<Line> lines;
    lines.reserve(body.size() / unit / 32 + 1); // a guess: most lines are longer
    qsizetype i = 0;
    while (i < count) {
        const qsizetype start = i;
        while (i < count && text[i] != '\r' && text[i] != '\n') {
            ++i;
        }
        const qsizetype end = i;
        if (i < count) {
            i += (text[i] == '\r' && i + 1 < count && text[i + 1] == '\n') ? 2 : 1;
        }
        Line line;
        line.bytes = body;
        line.offset = start * unit;
        line.contentSize = (end - start) * unit;
        line.endingSize = (i - end) * unit;
        parseUnits(line, text + start, end - start);
        lines.append(std::move(line));
    }
    return lines;
}

// Replaces lines first..last-1 by the lines of raw, parsed as the whole file would parse them: the line before and
// the line after are parsed along, so a line ending that raw starts or ends with joins them as it would in the file.
void IniText::reparse(qsizetype first, qsizetype last, const QByteArray &raw)
{
    m_index.reset(); // line numbers and names change
    QByteArray region = raw;
    if (first > 0) {
        --first;
        region.prepend(m_lines[first].whole());
    }
    if (last < m_lines.size()) {
        region.append(m_lines[last].whole());
        ++last;
    }
    QList<Line> lines = splitLines(region);
    // The headers' line numbers: those of the replaced lines go, those after move by the change in line count.
    const qsizetype delta = lines.size() - (last - first);
    const qsizetype from = std::lower_bound(m_headers.cbegin(), m_headers.cend(), first) - m_headers.cbegin();
    const qsizetype to = std::lower_bound(m_headers.cbegin(), m_headers.cend(), last) - m_headers.cbegin();
    for (qsizetype h = to; h < m_headers.size(); ++h) {
        m_headers[h] += delta;
    }
    m_headers.remove(from, to - from);
    qsizetype at = from;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (lines[i].kind == Kind::Header) {
            m_headers.insert(at++, first + i);
        }
    }
    const qsizetype kept = std::min(lines.size(), last - first);
    for (qsizetype i = 0; i < kept; ++i) {
        m_lines[first + i] = std::move(lines[i]);
    }
    if (lines.size() > kept) {
        m_lines.insert(first + kept, lines.size() - kept, Line());
        for (qsizetype i = kept; i < lines.size(); ++i) {
            m_lines[first + i] = std::move(lines[i]);
        }
    } else if (last - first > kept) {
        m_lines.remove(first + kept, last - first - kept);
    }
}

QByteArray IniText::bytes() const
{
    qsizetype size = m_bom.size() + m_tail.size();
    for (const Line &line : m_lines) {
        size += line.contentSize + line.endingSize;
    }
    QByteArray all;
    all.reserve(size);
    all += m_bom;
    for (const Line &line : m_lines) {
        all += line.whole();
    }
    all += m_tail;
    return all;
}

qsizetype IniText::unitSize() const
{
    return (m_encoding == Encoding::Utf16Le || m_encoding == Encoding::Utf16Be) ? 2 : 1;
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

// The line ending most lines of the file use; CRLF for a file without any.
QByteArray IniText::dominantEnding() const
{
    const QByteArray crlf = rawOf(QStringLiteral("\r\n"));
    const QByteArray lf = rawOf(QStringLiteral("\n"));
    const QByteArray cr = rawOf(QStringLiteral("\r"));
    qsizetype crlfCount = 0;
    qsizetype lfCount = 0;
    qsizetype crCount = 0;
    for (const Line &line : m_lines) {
        if (line.ending() == crlf) {
            ++crlfCount;
        } else if (line.ending() == lf) {
            ++lfCount;
        } else if (line.ending() == cr) {
            ++crCount;
        }
    }
    if (lfCount > crlfCount && lfCount >= crCount) {
        return lf;
    }
    if (crCount > crlfCount && crCount > lfCount) {
        return cr;
    }
    return crlf;
}

qsizetype IniText::lineOffset(qsizetype index) const
{
    qsizetype offset = m_bom.size();
    for (qsizetype i = 0; i < index; ++i) {
        offset += m_lines[i].contentSize + m_lines[i].endingSize;
    }
    return offset;
}

// The header or key name of the line, in the form nameUnits gives arguments.
QString IniText::nameOf(const Line &line) const
{
    if (unitSize() == 1) {
        const QByteArrayView name =
            QByteArrayView(line.bytes).sliced(line.offset + line.nameStart, line.nameEnd - line.nameStart);
        return m_encoding == Encoding::Utf8 ? QString::fromUtf8(name) : QString::fromLatin1(name);
    }
    const QString text = units(line.content());
    return text.sliced(line.nameStart, line.nameEnd - line.nameStart);
}

// Sets the line's kind and where its name and value lie, from its units text[0..size).
template <typename Unit> void IniText::parseUnits(Line &line, const Unit *text, qsizetype size)
{
    const auto blank = [](Unit c) { return (c >= 0x09 && c <= 0x0D) || c == 0x1A || c == 0x20; };
    qsizetype begin = 0;
    qsizetype end = size;
    while (begin < end && blank(text[begin])) {
        ++begin;
    }
    while (end > begin && blank(text[end - 1])) {
        --end;
    }
    line.keyEnd = end;
    if (begin == end) {
        line.kind = Kind::Blank;
        return;
    }
    if (text[begin] == ';') {
        line.kind = Kind::Comment;
        return;
    }
    // A name is kept as where it lies on the line, cut at NUL and trimmed; nameOf decodes it when asked.
    const auto setName = [&](qsizetype from, qsizetype to) {
        for (qsizetype i = from; i < to; ++i) {
            if (text[i] == 0) {
                to = i;
                break;
            }
        }
        while (from < to && blank(text[from])) {
            ++from;
        }
        while (to > from && blank(text[to - 1])) {
            --to;
        }
        line.nameStart = from;
        line.nameEnd = to;
    };
    // The header name runs to the last ']' on the line; a '[' line without one is an entry line.
    if (text[begin] == '[') {
        for (qsizetype close = end - 1; close > begin; --close) {
            if (text[close] == ']') {
                line.kind = Kind::Header;
                setName(begin + 1, close);
                return;
            }
        }
    }
    line.kind = Kind::Entry;
    qsizetype equals = begin;
    while (equals < end && text[equals] != '=') {
        ++equals;
    }
    if (equals == end) {
        setName(begin, end);
        return;
    }
    setName(begin, equals);
    qsizetype valueStart = equals + 1;
    while (valueStart < end && blank(text[valueStart])) {
        ++valueStart;
    }
    line.valueStart = valueStart;
    line.valueEnd = end;
}

IniText::NameIndex &IniText::index() const
{
    if (m_index) {
        return *m_index;
    }
    auto index = std::make_shared<NameIndex>();
    const qsizetype firstHeader = m_headers.isEmpty() ? m_lines.size() : m_headers.front();
    // Entries above the first header form the first section with the empty name; without any, the empty name
    // finds a "[]" header instead.
    for (qsizetype i = 0; i < firstHeader; ++i) {
        if (m_lines[i].kind == Kind::Entry) {
            index->insert(QString(), Section{0, firstHeader, std::nullopt});
            break;
        }
    }
    // Only the first section of a name is ever searched, even when a later one holds the key.
    for (qsizetype h = 0; h < m_headers.size(); ++h) {
        const QString name = foldedName(nameOf(m_lines[m_headers[h]]));
        if (!index->contains(name)) {
            const qsizetype end = h + 1 < m_headers.size() ? m_headers[h + 1] : m_lines.size();
            index->insert(name, Section{m_headers[h] + 1, end, std::nullopt});
        }
    }
    m_index = std::move(index);
    return *m_index;
}

IniText::Section *IniText::findSection(const QByteArray &name) const
{
    NameIndex &sections = index();
    const auto found = sections.find(lookupName(name));
    return found == sections.end() ? nullptr : &*found;
}

qsizetype IniText::findKey(Section &section, const QByteArray &name) const
{
    if (!section.keys) {
        QHash<QString, qsizetype> keys;
        // Backwards, so that of several entries of a key the first one is kept.
        for (qsizetype i = section.endLine - 1; i >= section.firstLine; --i) {
            if (m_lines[i].kind == Kind::Entry) {
                keys.insert(foldedName(nameOf(m_lines[i])), i);
            }
        }
        section.keys = std::move(keys);
    }
    return section.keys->value(lookupName(name), -1);
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
    const Line &line = m_lines[index];
    if (line.valueStart < 0) {
        return std::nullopt;
    }
    const QString text = units(line.content());
    QStringView value = cutAtNul(QStringView(text).sliced(line.valueStart, line.valueEnd - line.valueStart));
    if (value.size() > 1 && (value.front() == u'"' || value.front() == u'\'') && value.back() == value.front()) {
        value = value.sliced(1, value.size() - 2);
    }
    return toAnsi(value.toString());
}

// ASCII letters in lower case: names compare without regard to letter case for ASCII letters only.
QString IniText::foldedName(const QString &name)
{
    QString folded = name;
    for (QChar &c : folded) {
        if (c.unicode() >= u'A' && c.unicode() <= u'Z') {
            c = QChar(char16_t(c.unicode() + 32));
        }
    }
    return folded;
}

// The form an argument's name is looked up in the index in: two names find the same entry exactly when these are
// equal.
QString IniText::lookupName(const QByteArray &name) const
{
    return foldedName(nameUnits(name));
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
    QByteArray fallback = cutAtNul(defaultValue);
    while (fallback.endsWith(' ')) {
        fallback.chop(1);
    }
    return fallback.left(bufferSize - 1);
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
        qsizetype after = found->firstLine;
        for (qsizetype i = found->firstLine; i < found->endLine; ++i) {
            if (m_lines.at(i).kind == Kind::Entry) {
                after = i + 1;
            }
        }
        return insertLines(after, encodeText(keyText + '=' + valueText));
    }

    // The line keeps everything up to its value, the stored key's letter case and any blanks around '=' included.
    const Line &line = m_lines.at(index); // at(): reading must not unshare the lines
    const qsizetype unit = unitSize();
    const qsizetype from = line.valueStart >= 0 ? line.valueStart : line.keyEnd;
    Edit edit;
    edit.offset = lineOffset(index) + from * unit;
    edit.removed = line.contentSize - from * unit;
    edit.inserted = encodeText(line.valueStart >= 0 ? valueText : QByteArray('=' + valueText));
    const QByteArray raw = line.content().first(from * unit).toByteArray() + edit.inserted + line.ending();
    if (raw == line.whole()) {
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
    edit.removed = m_lines.at(index).whole().size();
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
    if (index > 0 && m_lines.at(index - 1).endingSize == 0) {
        edit.inserted = ending + text;
    } else {
        edit.inserted = text + ending;
    }
    reparse(index, index, edit.inserted);
    return edit;
}

} // namespace Kadex::Platform
