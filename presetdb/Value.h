#pragma once

#include <QByteArray>
#include <QString>

#include <optional>
#include <variant>

namespace Kadex::PresetDb {

// One field value as a database row holds it, with its own type: Null, a whole number, a floating-point number,
// a text or bytes.
class Value
{
public:
    Value() = default;
    Value(qint64 number) : m_value(number) {}
    Value(int number) : m_value(static_cast<qint64>(number)) {}
    Value(double number) : m_value(number) {}
    Value(const QString &text) : m_value(text) {}
    Value(const char *) = delete; // say QStringLiteral
    static Value fromBytes(const QByteArray &bytes);

    bool isNull() const { return std::holds_alternative<std::monostate>(m_value); }
    bool isText() const { return std::holds_alternative<QString>(m_value); }
    bool isInteger() const { return std::holds_alternative<qint64>(m_value); }
    bool isReal() const { return std::holds_alternative<double>(m_value); }
    bool isBytes() const { return std::holds_alternative<QByteArray>(m_value); }

    // The held value; each asks for the matching type.
    const QString &text() const { return std::get<QString>(m_value); }
    qint64 integer() const { return std::get<qint64>(m_value); }
    double real() const { return std::get<double>(m_value); }
    const QByteArray &bytes() const { return std::get<QByteArray>(m_value); }

    // A readable form for test output and reports: NULL, 12, 1.5, 'text', x'00ff'.
    QString debugText() const;

    bool operator==(const Value &) const = default;

private:
    std::variant<std::monostate, qint64, double, QString, QByteArray> m_value;
};

// The whole number a value converts to: numbers round half to even, a text is read as a number (blanks around it
// allowed). Nothing for Null, bytes, a text that is no number, or a number outside 64 bits.
std::optional<qint64> toWholeNumber(const Value &value);

// The number a value compares as: itself, or a text read as a number. Nothing for Null, bytes or other texts.
std::optional<double> toNumber(const Value &value);

// The text a value turns into where it stands for a text: a text itself, a number in its shortest decimal form.
// Nothing for Null and bytes.
std::optional<QString> toText(const Value &value);

// The form in which a text key is compared: without regard to letter case. Nothing for Null and bytes, which
// never match.
std::optional<QString> textKeyOf(const Value &value);

// A text as textKeyOf compares it: QString::toCaseFolded, with texts of plain ASCII folded here (making the letters
// lower case), as keys are folded for every row of a table.
QString foldedText(const QString &text);

} // namespace Kadex::PresetDb
