#include "config/ProgramLocation.h"

#include "diag/ErrorGuard.h"
#include "diag/Failure.h"

#include <algorithm>

namespace Kadex::Config {

QString rootDirectoryOf(const QString &programDir)
{
    // Characters come off the end until the text ends in the separator, then the separator goes too.
    QString root = programDir;
    while (!root.isEmpty() && !root.endsWith(QLatin1Char('/'))) {
        root.chop(1);
    }
    root.chop(1);
    return root;
}

std::optional<QString> moduleNameOf(const QString &exeName)
{
    if (exeName.size() < 7) {
        return std::nullopt;
    }
    return exeName.left(exeName.size() - 7);
}

std::optional<QString> notInPlantNotice(const QString &programDir, const QString &exeName)
{
    const std::optional<QString> module = moduleNameOf(exeName);
    if (module && !module->isEmpty() && fileNameOnly(programDir).compare(*module, Qt::CaseInsensitive) == 0) {
        return std::nullopt;
    }
    const QString folder = module ? *module : QStringLiteral("module");
    return exeName + QStringLiteral(" is not in a plant's ") + folder + QStringLiteral(" folder (it is in ") +
           programDir + QStringLiteral("), so it finds no plant. Install it into <plant>/") + folder +
           QStringLiteral(", for example with scripts/install-into-plant.sh <plant>.");
}

QString fileNameOnly(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? path : path.mid(slash + 1);
}

namespace {

bool isAscii(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
}

char16_t asciiLower(QChar c)
{
    const char16_t u = c.unicode();
    return u >= u'A' && u <= u'Z' ? static_cast<char16_t>(u + (u'a' - u'A')) : u;
}

// Where searchItem first stands in source, letter case aside; -1 when nowhere. Plain ASCII is compared here (its
// letters fold to lower case): the record generation fills placeholders this way in every row it writes. A
// character outside ASCII may fold to an ASCII letter, so the general search takes over as soon as one is to be
// compared. A search item that begins with a character no other folds to (the placeholders' '#') is looked for
// only where that character stands, found by the fast search for one character.
qsizetype indexIgnoringCase(const QString &source, const QString &searchItem)
{
    const auto general = [&] { return source.indexOf(searchItem, 0, Qt::CaseInsensitive); };
    if (!isAscii(searchItem)) {
        return general();
    }
    const qsizetype length = searchItem.size();
    const QChar first = searchItem[0];
    const bool caseless = !first.isLetter();
    const auto next = [&](qsizetype from) { return caseless ? source.indexOf(first, from) : from; };
    for (qsizetype at = next(0); at >= 0 && at + length <= source.size(); at = next(at + 1)) {
        qsizetype i = 0;
        for (; i < length; ++i) {
            const QChar c = source[at + i];
            if (c.unicode() >= 0x80) {
                return general();
            }
            if (asciiLower(c) != asciiLower(searchItem[i])) {
                break;
            }
        }
        if (i == length) {
            return at;
        }
    }
    return -1;
}

} // namespace

QString replaceFirst(const QString &source, const QString &searchItem, const QString &replacement)
{
    const qsizetype found = searchItem.isEmpty() ? -1 : indexIgnoringCase(source, searchItem);
    if (found < 0) {
        return source;
    }
    const qsizetype rest = found + searchItem.size();
    QString result(source.size() - searchItem.size() + replacement.size(), Qt::Uninitialized);
    QChar *out = std::copy(source.cbegin(), source.cbegin() + found, result.begin());
    out = std::copy(replacement.cbegin(), replacement.cend(), out);
    std::copy(source.cbegin() + rest, source.cend(), out);
    return result;
}

ProgramLocation::ProgramLocation(QString programDir, QString exeName, Diag::ErrorReport &report)
    : m_programDir(std::move(programDir)), m_exeName(std::move(exeName)), m_report(report)
{
}

QString ProgramLocation::GetOCXName()
{
    Diag::ErrorGuard guard(m_report, QStringLiteral("GetOCXName"));
    return guard.value(
        [&] {
            const std::optional<QString> name = moduleNameOf(m_exeName);
            if (!name) {
                throw Diag::Failure::invalidArgument(QStringLiteral("program name ") + m_exeName +
                                                     QStringLiteral(" is too short for a module name"));
            }
            return *name;
        },
        QString());
}

QString ProgramLocation::GetFileNameOnly(const QString &path)
{
    return fileNameOnly(path);
}

} // namespace Kadex::Config
