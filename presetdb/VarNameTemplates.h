#pragma once

#include <QString>

#include <array>

namespace Kadex::Diag {
class ErrorGuard;
}

namespace Kadex::PresetDb {

// The visualisation system a project uses: the index into the variable-name templates.
enum SystemIndexValue : qint16 { VisiWin32 = 0, VisiWinStudio = 1 };

// The patterns from which a preset's variable name is built, by visualisation system (0 = VISIWIN32,
// 1 = VISIWINSTUDIO) and part number 1 to 50. All empty until loaded.
class VarNameTemplates
{
public:
    static constexpr int Systems = 2;
    static constexpr int Parts = 50;

    // The template of a system and part; throws a subscript-out-of-range failure outside the table.
    const QString &at(int system, qint64 part) const;
    void set(int system, qint64 part, const QString &pattern);

    // Fills the entries from the table Source_DEFS of the module source database at sourcePath. A row that
    // cannot be read (missing field, Null Var_Name, Part outside 1 to 50) sets part 1 of both systems to
    // "###Var_Name", unreported, and reading goes on. A database or table that cannot be opened is reported
    // through guard and gives the same fallback.
    void load(const QString &sourcePath, Diag::ErrorGuard &guard);

private:
    void setFallback();

    std::array<QString, Systems * Parts> m_patterns;
};

} // namespace Kadex::PresetDb
