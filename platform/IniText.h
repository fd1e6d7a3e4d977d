#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringView>

#include <array>
#include <memory>
#include <optional>

namespace Kadex::Platform {

// An INI file held in memory as its raw bytes, line by line with each line's own ending, read and changed with the
// rules of the Windows profile-string services. Section, key, value and default texts are Windows-1252 bytes
// whatever the file's encoding; a file with a UTF-8 or UTF-16 byte-order mark is read in that encoding and
// written back in it.
class IniText
{
public:
    enum class Encoding {
        Ansi,    // Windows-1252, bytes taken as they are
        Utf8,    // starts with EF BB BF
        Utf16Le, // starts with FF FE
        Utf16Be, // starts with FE FF
    };

    // Where a write changed the bytes: `removed` bytes at `offset` of the old bytes were replaced by `inserted`.
    struct Edit
    {
        qsizetype offset = 0;
        qsizetype removed = 0;
        QByteArray inserted;
        bool changed = true; // false when the inserted bytes are the removed ones
    };

    // An empty file, as a missing one reads.
    IniText() = default;
    // The file holding exactly these bytes.
    explicit IniText(const QByteArray &bytes);

    // The file's bytes, byte-order mark included; the bytes given to the constructor until a write changes them.
    QByteArray bytes() const;
    // The same bytes as the runs of bytes the text holds them in, in order, valid while the text stays unchanged:
    // for writing a large file without a copy of the whole.
    QList<QByteArrayView> pieces() const;
    // The encoding the file is read and written in.
    Encoding encoding() const { return m_encoding; }

    // The value of section/key: trimmed, cut at a NUL byte, one pair of enclosing quotes removed, whole (not cut to
    // a buffer). Nothing when the file has no such entry, or the entry's line has no '='.
    std::optional<QByteArray> value(const QByteArray &section, const QByteArray &key) const;

    // What GetPrivateProfileString copies into a buffer of bufferSize bytes: the value cut to bufferSize - 1 bytes;
    // when the entry is missing, defaultValue without its trailing blanks, cut likewise.
    QByteArray getString(const QByteArray &section, const QByteArray &key, const QByteArray &defaultValue,
                         int bufferSize) const;

    // What GetPrivateProfileInt returns: the leading whole number of the value's first 29 characters, wrapped to
    // 32 bits; defaultValue when the entry is missing or its value empty.
    qint32 getInt(const QByteArray &section, const QByteArray &key, qint32 defaultValue) const;

    // What WritePrivateProfileString does to the file: replaces the value of the first matching entry of the first
    // matching section, or adds the entry to that section, or adds the section at the end. Only the written line
    // changes (a last line without line ending gets one when a line is added after it). Returns the change made.
    // Only the lines around the change are parsed again, so a series of writes costs the file once, not per write.
    Edit write(const QByteArray &section, const QByteArray &key, const QByteArray &value);
    // What WritePrivateProfileString with no value does: removes the line of the first matching entry of the first
    // matching section; every other byte stays. Nothing changes when there is no such entry.
    Edit remove(const QByteArray &section, const QByteArray &key);

    // What getString and getInt make of an entry's value (nothing: the entry is missing), for readers that found
    // the value another way.
    static QByteArray bufferedString(const std::optional<QByteArray> &found, const QByteArray &defaultValue,
                                     int bufferSize);
    static qint32 leadingInt(const std::optional<QByteArray> &found, qint32 defaultValue);

private:
    enum class Kind : quint8 {
        Blank,
        Comment,
        Header,
        Entry,
    };
    enum class Ending : quint8 {
        None, // the last line, without a line ending
        CrLf,
        Lf,
        Cr,
    };

    // A line of the file: where its bytes lie, its ending and kind. Files are far smaller than 4 GiB (the largest
    // one read is RegularFile::MaxReadBytes), so 32-bit positions do; a line is parsed again when its name or
    // value is asked for, which keeps the lines of a large file small.
    struct Line
    {
        quint32 start = 0;       // the line's first byte in its chunk (m_chunks)
        quint32 contentSize = 0; // the bytes before its ending
        quint16 chunk = 0;
        Ending ending = Ending::None;
        Kind kind = Kind::Blank;
    };

    // Where the parts of a line lie, in units (see units()) from the line's start.
    struct Parsed
    {
        Kind kind = Kind::Blank;
        qsizetype nameStart = 0;   // the header or key name, trimmed and cut at NUL
        qsizetype nameEnd = 0;     // after the name
        qsizetype keyEnd = 0;      // after the trimmed line text (Entry lines without '=')
        qsizetype valueStart = -1; // the value's first character; -1: no '=' on the line
        qsizetype valueEnd = -1;   // after the value's last character
    };

    struct Section
    {
        qsizetype header = -1; // its header's place in m_headers; -1: the entries above the first header
        // The first entry of each key by lookup name, as its line's distance from the section's first line; filled
        // at the first lookup in the section.
        std::optional<QHash<QString, qsizetype>> keys;
    };
    // The sections by lookup name, a file read many times between changes being looked up by hashes instead of
    // walks over its lines.
    using NameIndex = QHash<QString, Section>;

    // How a change replaced the lines first..first+removed-1 by `added` lines.
    struct Change
    {
        qsizetype first = 0;
        qsizetype removed = 0;
        qsizetype added = 0;
    };

    static QString foldedName(const QString &name);
    QString units(QByteArrayView raw) const;
    QByteArray rawOf(const QString &units) const;
    QString nameUnits(const QByteArray &argument) const;
    QByteArray toAnsi(const QString &text) const;
    QByteArray encodeText(const QByteArray &ansi) const;
    QByteArray dominantEnding() const;
    qsizetype unitSize() const { return (m_encoding == Encoding::Utf16Le || m_encoding == Encoding::Utf16Be) ? 2 : 1; }
    qsizetype lineOffset(qsizetype index) const;
    // CRLF is two units, LF and CR one.
    qsizetype endingSize(const Line &line) const
    {
        return line.ending == Ending::None ? 0 : (line.ending == Ending::CrLf ? 2 : 1) * unitSize();
    }
    QByteArrayView content(const Line &line) const;
    QByteArrayView whole(const Line &line) const;

    // Lines (IniTextLines.cpp)
    template <typename Unit>
    static void splitUnits(QList<Line> &lines, const Unit *text, qsizetype count, qsizetype unit, quint32 start,
                           quint16 chunk);
    template <typename Unit> static Parsed parseUnits(const Unit *text, qsizetype size);
    QList<Line> splitLines(const QByteArray &chunk, qsizetype from, qsizetype to, quint16 index) const;
    Parsed parsed(const Line &line) const;
    QString nameOf(const Line &line) const;
    quint16 chunkFor(qsizetype size);
    void reparse(qsizetype first, qsizetype last, const QByteArray &raw);
    void replaceLines(qsizetype first, qsizetype last, QList<Line> lines);

    // The name index (IniTextIndex.cpp)
    QString lookupName(const QByteArray &name) const;
    NameIndex &index() const;
    qsizetype firstLine(const Section &section) const;
    qsizetype endLine(const Section &section) const;
    Section *findSection(const QByteArray &name) const;
    qsizetype findKey(Section &section, const QByteArray &name) const;
    void keepIndex(const QList<Line> &old, const Change &change);
    bool keepsSections(const QList<Line> &old, const Change &change, qsizetype &lead, qsizetype &trail,
                       qsizetype &firstNewHeader) const;
    bool entryAmong(const QList<Line> &lines, qsizetype from, qsizetype to) const;
    Section *indexedSection(qsizetype header) const;
    void moveKeys(Section &section, const QList<Line> &old, const Change &change, qsizetype lead, qsizetype removedEnd,
                  qsizetype addedEnd);

    std::optional<QByteArray> valueOfLine(qsizetype index) const;
    Edit insertLines(qsizetype index, const QByteArray &text);
    void countEndings(const QList<Line> &lines, qsizetype sign);

    Encoding m_encoding = Encoding::Ansi;
    QByteArray m_bom;
    QByteArray m_tail; // an odd last byte of a UTF-16 file, kept but never read
    // The bytes the lines lie in: the bytes the text was made from, then those of lines written since.
    QList<QByteArray> m_chunks{QByteArray()};
    QList<Line> m_lines;
    QList<qsizetype> m_headers;           // the line numbers of the section headers, in file order
    std::array<qsizetype, 4> m_endings{}; // how many lines end in each Ending, kept with the lines for dominantEnding
    // The byte offset of one line, kept for lineOffset: the writes of a series mostly go on through the file, so
    // each counts on from where the one before it was. -1: none known.
    mutable qsizetype m_placedLine = 0;
    mutable qsizetype m_placedOffset = -1;
    // Built at the first lookup and kept right through writes (or dropped by a write it cannot follow); copies
    // of an unchanged text share it.
    mutable std::shared_ptr<NameIndex> m_index;
};

} // namespace Kadex::Platform
