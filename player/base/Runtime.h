#pragma once
// The player's error model and number conversions, shared by every folder of the player.

#include <QString>

#include <cstdint>
#include <optional>
#include <stdexcept>

// Error numbers the player raises and tests for.
enum RuntimeErrorNumber : int {
    errInvalidArgument = 5,
    errOverflow = 6,
    errDivisionByZero = 11,
    errDeviceUnavailable = 68,
    errNoSuchElement = 340,
};

class RuntimeError : public std::runtime_error {
public:
    RuntimeError(int number, const QString& description);
    int number() const { return m_number; }
    QString description() const { return m_description; }

private:
    int m_number;
    QString m_description;
};

// Nearest integer, halves to the even neighbour; outside the target range raises errOverflow.
int16_t nearestInt16(double v);
int32_t nearestInt32(double v);

// 16-bit integer arithmetic that raises errOverflow instead of wrapping.
int16_t mul16(int16_t a, int16_t b);
int16_t add16(int16_t a, int16_t b);

// Double to text: at most 15 significant digits, no grouping, no trailing zeros, the user's
// decimal separator, exponent form ("1E-05", "1E+15") only where the general form needs it.
QString numberText(double v);
QString numberText(double v, QChar decimalSeparator);

// Text to double: accepts "." and the user's decimal separator, blanks around the number.
std::optional<double> parseNumber(const QString& text);
std::optional<double> parseNumber(const QString& text, QChar decimalSeparator);

// The user's decimal separator (from the system locale, never the C locale).
QChar userDecimalSeparator();
