#include "presetdb/ModuleDbCopy.h"

namespace Kadex::PresetDb {

void ModuleDbCopy::readFile(const QString &path)
{
    m_path = path;
    try {
        m_copy = Database::copyInMemory(path);
        m_failure = nullptr;
    } catch (...) {
        unreadable(std::current_exception());
    }
}

void ModuleDbCopy::take(const QString &path, const QByteArray &content)
{
    m_path = path;
    try {
        m_copy = Database::fromBytes(path, content);
        m_failure = nullptr;
    } catch (...) {
        unreadable(std::current_exception());
    }
}

void ModuleDbCopy::unreadable(std::exception_ptr failure)
{
    m_copy.reset();
    m_failure = std::move(failure);
}

Database &ModuleDbCopy::database()
{
    if (m_failure) {
        std::rethrow_exception(m_failure);
    }
    return *m_copy;
}

} // namespace Kadex::PresetDb
