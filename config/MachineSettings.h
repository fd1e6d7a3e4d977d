#pragma once

#include "config/IniAccess.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace Kadex::Config {

// The Kadex settings of a machine live in its section [Machine<n>] of the program INI. The window has rows for
// the first five machines; machines beyond the fifth are left alone.
inline constexpr int MachineCount = 5;
inline constexpr int ChannelCount = 8;

// What KadexInOrOutput<k> holds for a channel: none ("kein"), an input ("Eing.") or an output ("Ausg.").
inline constexpr qint16 NoChannel = 1;
inline constexpr qint16 InputChannel = 2;
inline constexpr qint16 OutputChannel = 3;

// "Machine1" for machine 1.
QString machineSection(int machine);
QString secondMachineKey();      // Kadex2ndMachineNr
QString numberOfProcentKey();    // KadexNumberOfProcent
QString channelKey(int channel); // KadexInOrOutput1 to 8
// The ten keys, in the order of MachineSettings::values.
const QStringList &settingKeys();

// A setting's text as the file stores it; nothing for a missing entry.
using StoredText = std::optional<QString>;

// One machine's settings, each entry as LoadIniInteger reads it (-1 for a missing one), in the order of
// settingKeys(); with the texts stored, in the same order, where they were read.
struct MachineSettings
{
    int number = 0;
    QString name;
    QList<qint16> values;
    QList<StoredText> texts;
};

// The ten entries of a machine, read from file.
QList<qint16> readSettingValues(IniAccess &ini, int machine, const QString &file);

// The ten entries of a machine with their stored texts, read without reporting anything, all from one reading of
// the file: a number beyond 16 bits gives 0 as LoadIniInteger would, without its overflow report. For records of
// the settings, not for the window.
MachineSettings readStoredSettings(int machine, const QString &name, const QString &file);

// The entries as the window reads them, one at a time.
// The machine that carries the second instrument: 0 (none) for a missing entry or a number beyond the fifth.
qint16 readSecondMachineNr(IniAccess &ini, int machine, const QString &file);
// The stored number of percentage inputs, as text; the window converts it with the percentage boxes' rules.
QString readNumberOfProcentText(IniAccess &ini, int machine, const QString &file);
// A channel's code: NoChannel for anything but an input or an output (a missing entry too).
qint16 readChannel(IniAccess &ini, int machine, int channel, const QString &file);

// Settings of machines, collected in the order they are saved and written to one file in one replacement that
// leaves exactly the bytes writing them entry by entry would leave.
class MachineSettingsBatch
{
public:
    void add(int machine, const QString &key, qint16 value);
    // The entry set to exactly text, or removed when there is no text.
    void addStored(int machine, const QString &key, const StoredText &text);
    bool isEmpty() const { return m_entries.isEmpty(); }
    // "[Machine1] KadexInOrOutput3" for each entry, in order.
    QStringList entryNames() const;

    // True when file took every entry; false when it refused the write, and then it holds none of them (reason,
    // when given, gets why).
    bool write(IniAccess &ini, const QString &file, QString *reason = nullptr) const;

private:
    QList<IniWrite> m_entries;
};

} // namespace Kadex::Config
