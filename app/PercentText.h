#pragma once

#include <QLocale>
#include <QString>

#include <optional>

// The numeric rules the percentage boxes and the loading of stored percentages follow.
namespace Kadex::App::PercentText {

// The value of text when it is a number in the locale: digits with the locale's decimal and grouping
// characters, a sign, an exponent, blanks around it. Nothing for any other text (an empty one included).
std::optional<double> numberOf(const QString &text, const QLocale &locale = QLocale());

// The text converted to a 16-bit whole number, rounded to the nearest (halves to even). Throws an overflow
// Failure when the number lies outside -32768..32767, a type-mismatch Failure when the text is no number.
qint16 toInteger16(const QString &text, const QLocale &locale = QLocale());

// The decimal text of the largest whole number not above value (3.7 gives "3", -3.5 gives "-4").
QString integerPartText(double value);

} // namespace Kadex::App::PercentText
