#include "config/MachineSettings.h"

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

QStringList MachineSettingsBatch::entryNames() const
{
    QStringList names;
    for (const IniWrite &entry : m_entries) {
        names.append(QLatin1Char('[') + entry.section + QStringLiteral("] ") + entry.key);
    }
    return names;
}

bool MachineSettingsBatch::write(IniAccess &ini, const QString &file) const
{
    return ini.SaveIniEntries(m_entries, file) != 0;
}

} // namespace Kadex::Config
