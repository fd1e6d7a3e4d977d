#include "tests/support/ShippedLanguageFile.h"

#include <QFile>
#include <QRegularExpression>

namespace Kadex::Test {

QString shippedLanguageFilePath()
{
    return QStringLiteral(KADEX_SOURCE_DIR "/examples/plant/Kadex/Kadex_Config.ini");
}

QByteArray shippedLanguageFile()
{
    QFile file(shippedLanguageFilePath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray shippedLanguageFile(const QString &language)
{
    QByteArray bytes = shippedLanguageFile();
    const QByteArray chosen = QByteArray("[Language]\r\nLanguage=") + language.toLatin1() + QByteArray("\r\n");
    return bytes.replace("[Language]\r\nLanguage=1031\r\n", chosen);
}

QStringList shippedLanguages()
{
    QStringList languages;
    static const QRegularExpression header(QStringLiteral("^\\[([^\\]]+)\\]\r$"), QRegularExpression::MultilineOption);
    for (const QRegularExpressionMatch &match : header.globalMatch(QString::fromLatin1(shippedLanguageFile()))) {
        if (match.captured(1) != QStringLiteral("Language")) {
            languages.append(match.captured(1));
        }
    }
    return languages;
}

} // namespace Kadex::Test
