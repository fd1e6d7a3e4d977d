#pragma once

#include <QList>
#include <QString>

#include <variant>

namespace Kadex::Diag {
class ErrorReport;
}

namespace Kadex::Config {

// A value SaveIni can write: a whole or floating-point number, a text or a Boolean. Anything else
// (the empty value) is refused.
class IniValue
{
public:
    IniValue() = default;
    IniValue(int value) : m_value(static_cast<qint64>(value)) {}
    IniValue(qint64 value) : m_value(value) {}
    IniValue(double value) : m_value(value) {}
    IniValue(bool value) : m_value(value) {}
    IniValue(const QString &value) : m_value(value) {}
    IniValue(const char *) = delete; // would turn into a Boolean; say QStringLiteral

    // The text written for the value ("true"/"false", "-3", "0.5"); nothing for a refused value.
    std::variant<std::monostate, QString> text() const;

private:
    std::variant<std::monostate, qint64, double, bool, QString> m_value;
};

// One entry for IniAccess::SaveIniEntries; with removeEntry set, the entry is removed from the file instead.
struct IniWrite
{
    IniValue value;
    QString section;
    QString key;
    bool removeEntry = false;
};

// The program's four INI operations. A missing entry reads as "", -1 and false; Booleans are written
// "true"/"false". Texts cross into the files as Windows-1252. A file that is there but cannot be read as a file (a
// directory, a FIFO or device, no permission, a link to nothing, a read error) is no missing file: the read reports
// it, naming the file and the reason, and ends the program.
class IniAccess
{
public:
    explicit IniAccess(Diag::ErrorReport &report);

    // The entry's text, at most 254 characters; "" when missing or empty.
    QString LoadIniString(const QString &section, const QString &key, const QString &file, bool flag = false,
                          bool reportMissing = false);
    // The entry's leading whole number; -1 when missing (or when it holds -1). A number outside 16 bits is
    // reported as an overflow and gives 0.
    qint16 LoadIniInteger(const QString &section, const QString &key, const QString &file, bool flag = false,
                          bool reportMissing = false);
    // True only for the text TRUE in any letter case.
    bool LoadIniBoolean(const QString &section, const QString &key, const QString &file, bool flag = false,
                        bool reportMissing = false);
    // Writes the entry; nonzero when written, 0 when the write failed or the value was refused.
    qint16 SaveIni(const IniValue &value, const QString &section, const QString &key, const QString &file);
    // Writes the entries in order into one file, as SaveIni would one by one, and replaces the file once: it ends
    // with the same bytes, all entries or none of them. A refused value is reported as SaveIni reports it and left
    // out. Nonzero when written, 0 when the file could not be written (then nothing was, and reason, when given,
    // gets why).
    qint16 SaveIniEntries(const QList<IniWrite> &entries, const QString &file, QString *reason = nullptr);

private:
    void reportNotFound(const QString &section, const QString &key, const QString &file);
    void stopIfUnreadable(const QString &file, const QString &reason, const QString &procedure);

    Diag::ErrorReport &m_report;
};

} // namespace Kadex::Config
