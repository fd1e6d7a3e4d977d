#include "config/MachineSettings.h"

#include "platform/Cp1252.h"
#include "platform/ProfileStrings.h"

#include <limits>

namespace Kadex::Config {

QString machineSection(int machine)
{
    return QStringLiteral("Machine") + QString::number(machine);
}

QString secondMachineKey()
{
    return QStringLiteral("Kadex2ndMachineNr");
}

QString numberOfProcentKey()
{
    return QStringLiteral("KadexNumberOfProcent");
}

QString channelKey(int channel)
{
    return QStringLiteral("KadexInOrOutput") + QString::number(channel);
}

const QStringList &settingKeys()
{
    static const QStringList keys = [] {
        QStringList list = {secondMachineKey(), numberOfProcentKey()};
        for (int k = 1; k <= ChannelCount; ++k) {
            list.append(channelKey(k));
        }
        return list;
    }();
    return keys;
}

QList<qint16> readSettingValues(IniAccess &ini, int machine, const QString &file)
{
    QList<qint16> values;
    for (const QString &key : settingKeys()) {
        values.append(ini.LoadIniInteger(machineSection(machine), key, file));
    }
    return values;
}

MachineSettings readStoredSettings(int machine, const QString &name, const QString &file)
{
    namespace Profile = Platform::ProfileStrings;
    MachineSettings settings{machine, name, {}, {}};
    const QByteArray section = Platform::Cp1252::encode(machineSection(machine));
    QList<QByteArray> keys;
    for (const QString &key : settingKeys()) {
        keys.append(Platform::Cp1252::encode(key));
    }
    // One reading of the file for all of the machine's entries.
    for (const std::optional<QByteArray> &stored : Profile::findStrings(section, keys, file)) {
        const qint32 read = Profile::intOf(stored, -1);
        const bool fits = read >= std::numeric_limits<qint16>::min() && read <= std::numeric_limits<qint16>::max();
        settings.values.append(fits ? static_cast<qint16>(read) : qint16{0});
        settings.texts.append(stored ? StoredText(Platform::Cp1252::decode(*stored)) : std::nullopt);
    }
    return settings;
}

qint16 readSecondMachineNr(IniAccess &ini, int machine, const QString &file)
{
    const qint16 nr = ini.LoadIniInteger(machineSection(machine), secondMachineKey(), file);
    return nr < 0 || nr > MachineCount ? qint16{0} : nr;
}

QString readNumberOfProcentText(IniAccess &ini, int machine, const QString &file)
{
    return ini.LoadIniString(machineSection(machine), numberOfProcentKey(), file);
}

qint16 readChannel(IniAccess &ini, int machine, int channel, const QString &file)
{
    const qint16 code = ini.LoadIniInteger(machineSection(machine), channelKey(channel), file);
    return code == InputChannel || code == OutputChannel ? code : NoChannel;
}

void MachineSettingsBatch::add(int machine, const QString &key, qint16 value)
{
    m_entries.append(IniWrite{static_cast<int>(value), machineSection(machine), key});
}

void MachineSettingsBatch::addStored(int machine, const QString &key, const StoredText &text)
{
    m_entries.append(IniWrite{text ? IniValue(*text) : IniValue(), machineSection(machine), key, !text.has_value()});
}

QStringList MachineSettingsBatch::entryNames() const
{
    QStringList names;
    for (const IniWrite &entry : m_entries) {
        names.append(QLatin1Char('[') + entry.section + QStringLiteral("] ") + entry.key);
    }
    return names;
}

bool MachineSettingsBatch::write(IniAccess &ini, const QString &file, QString *reason) const
{
    return ini.SaveIniEntries(m_entries, file, reason) != 0;
}

} // namespace Kadex::Config
