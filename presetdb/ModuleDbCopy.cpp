#include "presetdb/ModuleDbCopy.h"

#include <QFileInfo>

namespace Kadex::PresetDb {

Database &ModuleDbCopy::of(const QString &path)
{
    // The same file may be named in another spelling by another step.
    const QString file = QFileInfo(path).canonicalFilePath();
    if (!m_copy || file.isEmpty() || m_path != file) {
        m_copy.reset();
        m_copy = Database::copyInMemory(path);
        m_path = file;
    }
    return *m_copy;
}

} // namespace Kadex::PresetDb
