#include "presetdb/FileBytesSeen.h"

#include "platform/FileLookup.h"
#include "platform/IniFileCache.h"

namespace Kadex::PresetDb {

namespace Cache = Platform::IniFileCache;

void FileBytesSeen::note(const QString &path)
{
    if (path.isEmpty()) {
        return;
    }
    // The readings of the INI services are looked up by the file's spelling on disk.
    const QString onDisk = Platform::FileLookup::resolvePath(path);
    const std::optional<Cache::Served> served = Cache::served(onDisk);
    m_files.append(served ? served->first : Platform::FileSeen::now(onDisk));
}

QStringList FileBytesSeen::changed() const
{
    QStringList paths;
    for (const Platform::FileSeen &seen : m_files) {
        const std::optional<Cache::Served> served = Cache::served(seen.path());
        if (!seen.unchanged() || (served && served->mixed)) {
            paths.append(seen.path());
        }
    }
    return paths;
}

void FileBytesSeen::renote()
{
    Cache::forgetReads();
    for (Platform::FileSeen &seen : m_files) {
        seen = Platform::FileSeen::now(seen.path());
    }
}

} // namespace Kadex::PresetDb
