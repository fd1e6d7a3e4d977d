#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace Kadex::Test {

// The language file the program ships with: the sample plant's, which the install puts beside the program.
QString shippedLanguageFilePath();
QByteArray shippedLanguageFile();
// The same file with its Language entry choosing language instead.
QByteArray shippedLanguageFile(const QString &language);
// The language sections it holds (every section but Language), in file order.
QStringList shippedLanguages();

} // namespace Kadex::Test
