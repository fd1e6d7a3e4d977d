// The lines of an IniText: splitting bytes into lines, parsing a line, and replacing lines by changed ones.
#include "platform/IniText.h"

#include <algorithm>
#include <limits>

namespace Kadex::Platform {

// The lines of chunk[from..to), whole units in the file's encoding. A line ends at CRLF, at a lone CR or at a lone
// LF; blank lines between are lines of their own.
QList<IniText::Line> IniText::splitLines(const QByteArray &chunk, qsizetype from, qsizetype to, quint16 index) const
{
    QList<Line> lines;
    const QByteArrayView body = QByteArrayView(chunk).sliced(from, to - from);
    if (unitSize() == 1) {
        lines.reserve(std::count(body.begin(), body.end(), '\n') + 1);
        splitUnits(lines, reinterpret_cast<const unsigned char *>(body.data()), body.size(), 1, quint32(from), index);
        return lines;
    }
    const QString text = units(body);
    lines.reserve(text.count(u'\n') + 1);
    splitUnits(lines, reinterpret_cast<const char16_t *>(text.utf16()), text.size(), 2, quint32(from), index);
    return lines;
}

// Appends the lines of text[0..count), units (bytes, or 16-bit code units of a UTF-16 file) of unit bytes each that
// lie in chunk from start on.
template <typename Unit>
void IniText::splitUnits(QList<Line> &lines, const Unit *text, qsizetype count, qsizetype unit, quint32 start,
                         quint16 chunk)
{
    qsizetype i = 0;
    while (i < count) {
        const qsizetype begin = i;
        while (i < count && text[i] != '\r' && text[i] != '\n') {
            ++i;
        }
        Line line;
        line.start = start + quint32(begin * unit);
        line.contentSize = quint32((i - begin) * unit);
        line.chunk = chunk;
        line.kind = parseUnits(text + begin, i - begin).kind;
        if (i < count && text[i] == '\r' && i + 1 < count && text[i + 1] == '\n') {
            line.ending = Ending::CrLf;
            i += 2;
        } else if (i < count) {
            line.ending = text[i] == '\r' ? Ending::Cr : Ending::Lf;
            ++i;
        }
        lines.append(line);
    }
}

// Where the kind, name and value of the line text[0..size) lie.
template <typename Unit> IniText::Parsed IniText::parseUnits(const Unit *text, qsizetype size)
{
    const auto blank = [](Unit c) { return (c >= 0x09 && c <= 0x0D) || c == 0x1A || c == 0x20; };
    Parsed line;
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
        return line;
    }
    if (text[begin] == ';') {
        line.kind = Kind::Comment;
        return line;
    }
    // A name is kept as where it lies on the line, cut at NUL and trimmed; nameOf decodes it when asked.
    const auto setName = [&](qsizetype from, qsizetype to) {
        to = std::find(text + from, text + to, Unit(0)) - text;
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
                return line;
            }
        }
    }
    line.kind = Kind::Entry;
    const qsizetype equals = std::find(text + begin, text + end, Unit('=')) - text;
    if (equals == end) {
        setName(begin, end);
        return line;
    }
    setName(begin, equals);
    qsizetype valueStart = equals + 1;
    while (valueStart < end && blank(text[valueStart])) {
        ++valueStart;
    }
    line.valueStart = valueStart;
    line.valueEnd = end;
    return line;
}

IniText::Parsed IniText::parsed(const Line &line) const
{
    const QByteArrayView raw = content(line);
    if (unitSize() == 1) {
        return parseUnits(reinterpret_cast<const unsigned char *>(raw.data()), raw.size());
    }
    const QString text = units(raw);
    return parseUnits(reinterpret_cast<const char16_t *>(text.utf16()), text.size());
}

// The header or key name of the line, in the form nameUnits gives arguments.
QString IniText::nameOf(const Line &line) const
{
    const Parsed parts = parsed(line);
    if (unitSize() == 1) {
        const QByteArrayView name = content(line).sliced(parts.nameStart, parts.nameEnd - parts.nameStart);
        return m_encoding == Encoding::Utf8 ? QString::fromUtf8(name) : QString::fromLatin1(name);
    }
    return units(content(line)).sliced(parts.nameStart, parts.nameEnd - parts.nameStart);
}

// The chunk that size more bytes of written lines go into: never the bytes the text was made from, which others
// may share, and a new one where 32-bit positions would no longer reach.
quint16 IniText::chunkFor(qsizetype size)
{
    constexpr qsizetype Reach = std::numeric_limits<quint32>::max();
    if (m_chunks.size() < 2 || m_chunks.back().size() + size > Reach) {
        m_chunks.append(QByteArray());
    }
    return quint16(m_chunks.size() - 1);
}

// Replaces lines first..last-1 by the lines of raw, parsed as the whole file would parse them: the line before and
// the line after are parsed along, so a line ending that raw starts or ends with joins them as it would in the file.
void IniText::reparse(qsizetype first, qsizetype last, const QByteArray &raw)
{
    QByteArray region = raw;
    if (first > 0) {
        --first;
        region.prepend(whole(m_lines.at(first)));
    }
    if (last < m_lines.size()) {
        region.append(whole(m_lines.at(last)));
        ++last;
    }
    const quint16 chunk = chunkFor(region.size());
    const qsizetype start = m_chunks.at(chunk).size();
    m_chunks[chunk].append(region);
    replaceLines(first, last, splitLines(m_chunks.at(chunk), start, start + region.size(), chunk));
}

void IniText::replaceLines(qsizetype first, qsizetype last, QList<Line> lines)
{
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
    if (m_placedLine > first) {
        m_placedOffset = -1; // the lines before it changed
    }
    const QList<Line> old = m_lines.mid(first, last - first);
    countEndings(old, -1);
    countEndings(lines, 1);
    const qsizetype kept = std::min(lines.size(), last - first);
    std::copy(lines.cbegin(), lines.cbegin() + kept, m_lines.begin() + first);
    if (lines.size() > kept) {
        m_lines.insert(first + kept, lines.size() - kept, Line());
        std::copy(lines.cbegin() + kept, lines.cend(), m_lines.begin() + first + kept);
    } else if (last - first > kept) {
        m_lines.remove(first + kept, last - first - kept);
    }
    keepIndex(old, Change{first, last - first, lines.size()});
}

} // namespace Kadex::Platform
