#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace Kadex::PresetDb {

// The files an update's decisions come from (the machine list and settings), as they were when it began to read
// them. Checked right before the update writes: a file another program rewrote meanwhile, perhaps half-written
// when it was read, is read again rather than trusted.
class FileBytesSeen
{
public:
    // Notes the file at path as it is now (a missing file as missing); an empty path is left out.
    void note(const QString &path);
    // The files that are not as they were noted: other bytes, or rewritten since, even with the same bytes.
    QStringList changed() const;
    // Notes every file again as it is now.
    void renote();

private:
    struct Seen
    {
        QString path;
        bool exists = false;
        QByteArray bytes;
        qint64 modifiedNs = 0;
        quint64 inode = 0;

        bool operator==(const Seen &) const = default;
    };
    static Seen look(const QString &path);

    QList<Seen> m_files;
};

} // namespace Kadex::PresetDb
