#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringView>

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
    enum class Kind {
        Blank,
        Comment,
        Header,
        Entry,
    };

    struct Line
    {
        // The line's raw bytes in the file's encoding lie in `bytes` (shared by many lines) from `offset` on:
        // its content, then its ending (CRLF, LF or CR; none on a last line without one).
        QByteArray bytes;
        qsizetype offset = 0;
        qsizetype contentSize = 0;
        qsizetype endingSize = 0;
        QByteArrayView content() const { return QByteArrayView(bytes).sliced(offset, contentSize); }
        QByteArrayView ending() const { return QByteArrayView(bytes).sliced(offset + contentSize, endingSize); }
        QByteArrayView whole() const { return QByteArrayView(bytes).sliced(offset, contentSize + endingSize); }
        Kind kind = Kind::Blank;
        qsizetype nameStart = 0;   // unit index of the header or key name, trimmed and cut at NUL
        qsizetype nameEnd = 0;     // unit index after the name
        qsizetype keyEnd = 0;      // unit index after the trimmed line text (Entry lines without '=')
        qsizetype valueStart = -1; // unit index of the value's first character; -1: no '=' on the line
        qsizetype valueEnd = -1;   // unit index after the value's last character
    };

    struct Section
    {
        qsizetype firstLine = 0; // first line after the header (0 for the entries above the first header)
        qsizetype endLine = 0;   // one past the section's last line
        // The line of the first entry of each key, by lookup name; filled at the first lookup in the section.
        std::optional<QHash<QString, qsizetype>> keys;
    };
    // The sections by lookup name, a file read many times between changes being looked up by hashes instead of
    // walks over its lines.
    using NameIndex = QHash<QString, Section>;

    static QString foldedName(const QString &name);
    QString units(QByteArrayView raw) const;
    QByteArray rawOf(const QString &units) const;
    QString nameUnits(const QByteArray &argument) const;
    QByteArray toAnsi(const QString &text) const;
    QByteArray encodeText(const QByteArray &ansi) const;
    QByteArray dominantEnding() const;
    qsizetype unitSize() const;
    qsizetype lineOffset(qsizetype index) const;

    template <typename Unit>
    static QList<Line> splitUnits(const QByteArray &body, const Unit *text, qsizetype count, qsizetype unit);
    template <typename Unit> static void parseUnits(Line &line, const Unit *text, qsizetype size);
    QString nameOf(const Line &line) const;
    QString lookupName(const QByteArray &name) const;
    NameIndex &index() const;
    QList<Line> splitLines(const QByteArray &body) const;
    void reparse(qsizetype first, qsizetype last, const QByteArray &raw);
    Section *findSection(const QByteArray &name) const;
    qsizetype findKey(Section &section, const QByteArray &name) const;
    std::optional<QByteArray> valueOfLine(qsizetype index) const;
    Edit insertLines(qsizetype index, const QByteArray &text);

    Encoding m_encoding = Encoding::Ansi;
    QByteArray m_bom;
    QByteArray m_tail; // an odd last byte of a UTF-16 file, kept but never read
    QList<Line> m_lines;
    QList<qsizetype> m_headers; // the line numbers of the section headers, in file order
    // Built at the first lookup and dropped by every write that changes the lines; copies of an unchanged text
    // share it.
    mutable std::shared_ptr<NameIndex> m_index;
};

} // namespace Kadex::Platform
