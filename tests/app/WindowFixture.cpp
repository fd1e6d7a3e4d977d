#include "tests/app/WindowFixture.h"

#include "diag/Failure.h"
#include "platform/Cp1252.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QTest>

#include <ostream>

namespace Kadex::Test {

void PrintTo(const IniEntry &entry, std::ostream *out)
{
    *out << "[" << entry.section.toStdString() << "] " << entry.key.toStdString() << "=" << entry.value.toStdString();
}

QList<IniEntry> iniEntries(const QByteArray &bytes)
{
    QList<IniEntry> entries;
    QString section;
    for (QString line : Platform::Cp1252::decode(bytes).split(QLatin1Char('\n'))) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';'))) {
            continue;
        }
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            section = line.mid(1, line.size() - 2);
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals >= 0) {
            entries.append({section, line.left(equals).trimmed(), line.mid(equals + 1).trimmed()});
        }
    }
    return entries;
}

QStringList sectionEntries(const QByteArray &bytes, const QString &section)
{
    QStringList entries;
    for (const IniEntry &entry : iniEntries(bytes)) {
        if (entry.section.compare(section, Qt::CaseInsensitive) == 0) {
            entries.append(entry.key + QLatin1Char('=') + entry.value);
        }
    }
    return entries;
}

std::optional<QString> iniValue(const QByteArray &bytes, const QString &section, const QString &key)
{
    for (const IniEntry &entry : iniEntries(bytes)) {
        if (entry.section.compare(section, Qt::CaseInsensitive) == 0 &&
            entry.key.compare(key, Qt::CaseInsensitive) == 0) {
            return entry.value;
        }
    }
    return std::nullopt;
}

void WindowTest::TearDown()
{
    window.reset();
    run.reset();
}

App::MainWindow &WindowTest::open(const QString &commandLine)
{
    run = std::make_unique<TestRun>(plant, commandLine);
    window = std::make_unique<App::MainWindow>(run->services, run->ui, [this] {
        okEnabledDuringUpdate = button("CommandOK")->isEnabled();
        cancelEnabledDuringUpdate = button("CommandCancel")->isEnabled();
        busyDuringUpdate = run->ui.busy;
        updates.append(programIni());
        if (duringUpdate) {
            duringUpdate();
        }
        if (updateFailure) {
            throw *updateFailure;
        }
    });
    window->load();
    if (!window->programEnded()) {
        window->show();
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
    return *window;
}

void WindowTest::click(QWidget *widget, Qt::MouseButton mouseButton) const
{
    QTest::mouseClick(widget, mouseButton, {}, widget->rect().center());
}

void WindowTest::paste(QLineEdit *box, const QString &text) const
{
    QGuiApplication::clipboard()->setText(text);
    box->setFocus(Qt::TabFocusReason);
    box->selectAll();
    QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
}

QStringList WindowTest::boxTexts() const
{
    QStringList texts;
    for (const Diag::MessageBox &box : run->ui.boxes) {
        texts.append(box.text);
    }
    return texts;
}

} // namespace Kadex::Test
