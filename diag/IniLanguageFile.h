#pragma once

#include "diag/LanguageTexts.h"

#include <QByteArray>
#include <QString>

#include <memory>

namespace Kadex::Platform {
class IniText;
}

namespace Kadex::Diag {

// The program's language file (its folder + executable name + ".ini"), read and changed with the rules of the
// INI operations. The walk over the window reads and adds some hundreds of entries: they are read from and added
// to the file held in memory, and the file is replaced once, atomically, on flush, which gives the same bytes as
// writing entry by entry.
class IniLanguageFile : public LanguageFile
{
public:
    explicit IniLanguageFile(QString path);
    ~IniLanguageFile() override;

    QString load(const QString &section, const QString &key) override;
    void save(const QString &value, const QString &section, const QString &key) override;
    void flush() override;
    const QString &path() const { return m_path; }

private:
    Platform::IniText &text();

    QString m_path;
    std::unique_ptr<Platform::IniText> m_text; // the file as read, with the saves since; null until first use
    QByteArray m_readBytes;
};

} // namespace Kadex::Diag
