#include "app/PercentText.h"

#include "diag/ErrorNumbers.h"
#include "diag/Failure.h"

#include <cmath>

namespace Kadex::App::PercentText {

std::optional<double> numberOf(const QString &text, const QLocale &locale)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty()) {
        return std::nullopt;
    }
    bool ok = false;
    const double value = locale.toDouble(trimmed, &ok);
    // The locale also reads "inf" and "nan"; neither is a number an operator types.
    if (!ok || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

qint16 toInteger16(const QString &text, const QLocale &locale)
{
    const std::optional<double> value = numberOf(text, locale);
    if (!value) {
        throw Diag::Failure{Diag::ErrorNumbers::TypeMismatch, Diag::ErrorNumbers::SourceProgram,
                            QStringLiteral("Type mismatch")};
    }
    // The default rounding mode rounds halves to the even neighbour: 2.5 gives 2, 3.5 gives 4.
    const double rounded = std::nearbyint(*value);
    if (rounded < -32768.0 || rounded > 32767.0) {
        throw Diag::Failure::overflow();
    }
    return static_cast<qint16>(rounded);
}

QString integerPartText(double value)
{
    return QString::number(std::floor(value), 'f', 0);
}

} // namespace Kadex::App::PercentText
