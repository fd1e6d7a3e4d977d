#include "config/IniAccess.h"

#include "diag/ErrorGuard.h"
#include "diag/ErrorNumbers.h"
#include "diag/ErrorReport.h"
#include "diag/Failure.h"
#include "platform/Cp1252.h"
#include "platform/IniFileCache.h"
#include "platform/ProfileStrings.h"

#include <limits>

namespace Kadex::Config {

namespace {

namespace Cp1252 = Platform::Cp1252;
namespace Profile = Platform::ProfileStrings;

constexpr int ReadBufferSize = 255;

QString readText(const QString &section, const QString &key, const QString &file, QString &unreadable)
{
    // A default of blanks comes back without its trailing blanks: empty, so a missing entry counts 0.
    const Profile::StringResult result =
        Profile::getString(Cp1252::encode(section), Cp1252::encode(key), QByteArray(ReadBufferSize, ' '),
                           ReadBufferSize, file, &unreadable);
    return Cp1252::decode(result.value.left(result.count));
}

} // namespace

std::variant<std::monostate, QString> IniValue::text() const
{
    return std::visit(
        [](const auto &value) -> std::variant<std::monostate, QString> {
            using T = std::decay_t<decltype(value)>;
            if constexpr (std::is_same_v<T, std::monostate>) {
                return std::monostate{};
            } else if constexpr (std::is_same_v<T, qint64>) {
                return QString::number(value);
            } else if constexpr (std::is_same_v<T, double>) {
                return QString::number(value, 'g', 15);
            } else if constexpr (std::is_same_v<T, bool>) {
                return value ? QStringLiteral("true") : QStringLiteral("false");
            } else {
                return value;
            }
        },
        m_value);
}

IniAccess::IniAccess(Diag::ErrorReport &report) : m_report(report)
{
    // A run's decisions come from the readings its own INI services make; readings before (an earlier run in the
    // same process) do not count for them.
    Platform::IniFileCache::forgetReads();
}

void IniAccess::stopIfUnreadable(const QString &file, const QString &reason, const QString &procedure)
{
    if (reason.isEmpty()) {
        return;
    }
    // Read as empty, the file would give defaults that the run then writes over the plant's values.
    m_report.ReportError(Diag::ErrorNumbers::PathFileAccessError, Diag::ErrorNumbers::SourceProgram,
                         QStringLiteral("Cannot read the settings file '") + file + QStringLiteral("': ") + reason +
                             QStringLiteral(". The run stops before it writes anything."),
                         procedure, true);
    m_report.EndProgram();
}

void IniAccess::reportNotFound(const QString &section, const QString &key, const QString &file)
{
    m_report.ReportFault(QStringLiteral("File '") + file + QStringLiteral("' or Section [") + section +
                         QStringLiteral("] or Entry '") + key + QStringLiteral("' not found"));
}

QString IniAccess::LoadIniString(const QString &section, const QString &key, const QString &file, bool,
                                 bool reportMissing)
{
    Diag::ErrorGuard guard(m_report, QStringLiteral("LoadIniString"));
    QString unreadable;
    const QString text = guard.value([&] { return readText(section, key, file, unreadable); }, QString());
    stopIfUnreadable(file, unreadable, QStringLiteral("LoadIniString"));
    if (text.isEmpty() && reportMissing) {
        reportNotFound(section, key, file);
    }
    return text;
}

qint16 IniAccess::LoadIniInteger(const QString &section, const QString &key, const QString &file, bool,
                                 bool reportMissing)
{
    Diag::ErrorGuard guard(m_report, QStringLiteral("LoadIniInteger"));
    QString unreadable;
    const qint32 read = guard.value(
        [&] { return Profile::getInt(Cp1252::encode(section), Cp1252::encode(key), -1, file, &unreadable); },
        qint32{0});
    stopIfUnreadable(file, unreadable, QStringLiteral("LoadIniInteger"));
    const qint16 result = guard.value(
        [&] {
            if (read < std::numeric_limits<qint16>::min() || read > std::numeric_limits<qint16>::max()) {
                throw Diag::Failure::overflow(section + QLatin1Char('/') + key + QLatin1Char('=') +
                                              QString::number(read));
            }
            return static_cast<qint16>(read);
        },
        qint16{0});
    if (result == -1 && reportMissing) {
        reportNotFound(section, key, file);
    }
    return result;
}

bool IniAccess::LoadIniBoolean(const QString &section, const QString &key, const QString &file, bool,
                               bool reportMissing)
{
    Diag::ErrorGuard guard(m_report, QStringLiteral("LoadIniBoolean"));
    QString unreadable;
    const QString text = guard.value([&] { return readText(section, key, file, unreadable).toUpper(); }, QString());
    stopIfUnreadable(file, unreadable, QStringLiteral("LoadIniBoolean"));
    const bool isTrue = text == QStringLiteral("TRUE");
    if (!isTrue && text != QStringLiteral("FALSE") && reportMissing) {
        reportNotFound(section, key, file);
    }
    return isTrue;
}

qint16 IniAccess::SaveIni(const IniValue &value, const QString &section, const QString &key, const QString &file)
{
    if (std::holds_alternative<std::monostate>(value.text())) {
        // A refused value leaves the entry as it is.
        m_report.ReportFault(QStringLiteral("Ini Save:  wrong data type"));
        return 0;
    }
    return SaveIniEntries({IniWrite{value, section, key}}, file);
}

qint16 IniAccess::SaveIniEntries(const QList<IniWrite> &entries, const QString &file, QString *reason)
{
    Diag::ErrorGuard guard(m_report, QStringLiteral("SaveIni"));
    QList<Profile::Entry> encoded;
    encoded.reserve(entries.size());
    for (const IniWrite &entry : entries) {
        if (entry.removeEntry) {
            encoded.append(Profile::Entry{Cp1252::encode(entry.section), Cp1252::encode(entry.key), {}, true});
            continue;
        }
        const auto text = entry.value.text();
        if (std::holds_alternative<std::monostate>(text)) {
            m_report.ReportFault(QStringLiteral("Ini Save:  wrong data type"));
            continue;
        }
        encoded.append(Profile::Entry{Cp1252::encode(entry.section), Cp1252::encode(entry.key),
                                      Cp1252::encode(std::get<QString>(text))});
    }
    return guard.value([&] { return static_cast<qint16>(Profile::writeStrings(encoded, file, reason) ? 1 : 0); },
                       qint16{0});
}

} // namespace Kadex::Config
