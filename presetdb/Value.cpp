#include "presetdb/Value.h"

#include <cmath>
#include <limits>

namespace Kadex::PresetDb {

Value Value::fromBytes(const QByteArray &bytes)
{
    Value value;
    value.m_value = bytes;
    return value;
}

QString Value::debugText() const
{
    if (isNull()) {
        return QStringLiteral("NULL");
    }
    if (isInteger()) {
        return QString::number(integer());
    }
    if (isReal()) {
        return QString::number(real(), 'g', 17);
    }
    if (isText()) {
        return QLatin1Char('\'') + text() + QLatin1Char('\'');
    }
    return QStringLiteral("x'") + QString::fromLatin1(bytes().toHex()) + QLatin1Char('\'');
}

std::optional<double> toNumber(const Value &value)
{
    if (value.isInteger()) {
        return static_cast<double>(value.integer());
    }
    if (value.isReal()) {
        return value.real();
    }
    if (value.isText()) {
        bool ok = false;
        const double number = value.text().trimmed().toDouble(&ok);
        if (ok && std::isfinite(number)) {
            return number;
        }
    }
    return std::nullopt;
}

std::optional<qint64> toWholeNumber(const Value &value)
{
    if (value.isInteger()) {
        return value.integer();
    }
    if (value.isText()) {
        bool ok = false;
        const qint64 whole = value.text().trimmed().toLongLong(&ok);
        if (ok) {
            return whole;
        }
    }
    const std::optional<double> number = toNumber(value);
    // 2^63 itself does not fit; everything below it does.
    if (!number || std::fabs(*number) >= 9223372036854775808.0) {
        return std::nullopt;
    }
    // Conversions to whole numbers round a half to the even neighbour (2.5 gives 2, 3.5 gives 4).
    return static_cast<qint64>(std::nearbyint(*number));
}

std::optional<QString> toText(const Value &value)
{
    if (value.isText()) {
        return value.text();
    }
    if (value.isInteger()) {
        return QString::number(value.integer());
    }
    if (value.isReal()) {
        return QString::number(value.real(), 'g', std::numeric_limits<double>::max_digits10 - 2);
    }
    return std::nullopt;
}

QString foldedText(const QString &text)
{
    QString folded(text.size(), Qt::Uninitialized);
    char16_t *out = reinterpret_cast<char16_t *>(folded.data());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c >= 0x80) {
            return text.toCaseFolded();
        }
        out[i] = c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + (u'a' - u'A')) : c;
    }
    return folded;
}

std::optional<QString> textKeyOf(const Value &value)
{
    if (value.isText()) {
        return foldedText(value.text());
    }
    std::optional<QString> text = toText(value);
    if (text) {
        *text = foldedText(*text);
    }
    return text;
}

} // namespace Kadex::PresetDb
