#pragma once

#include "diag/LanguageTexts.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <memory>
#include <optional>

class QWidget;

namespace Kadex::Platform {
class IniText;
}

namespace Kadex::App {

// A control of the window, seen through its name, index, tag and help id properties.
class WidgetLanguageControl : public Diag::LanguageControl
{
public:
    explicit WidgetLanguageControl(QWidget *widget) : m_widget(widget) {}

    QString typeName() const override;
    QString name() const override;
    int index() const override;
    QString tag() const override;
    int helpId() const override;
    QString caption() const override;
    void setCaption(const QString &caption) override;
    void setToolTip(const QString &toolTip) override;

private:
    QWidget *m_widget;
};

// The program's language file (its folder + executable name + ".ini"), read and changed with the rules of the
// INI operations. The walk over the window reads and adds some hundreds of entries: the language's section is
// read in one pass, the added entries are kept in memory, and the file is replaced once, atomically, on flush,
// which gives the same bytes as writing entry by entry.
class IniLanguageFile : public Diag::LanguageFile
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
    // The entries of one section as they read now, by lookup name; read in one pass at the first load from it.
    QString m_valuesSection;
    std::optional<QHash<QString, std::optional<QByteArray>>> m_values;
};

} // namespace Kadex::App
