#pragma once

#include <QLocale>
#include <QString>
#include <optional>

namespace tavrilo {

// The text's value in single precision, read by the locale's numeric syntax. Empty when the text is
// not a number there, or names an infinity, NaN or a value beyond single precision.
std::optional<float> textToNumber(const QString &text, const QLocale &locale = QLocale());

// Shortest decimal form, minus sign for negatives, no blank and no leading plus sign: -7 ... 7 for
// the integral target values.
QString numberToText(float value);

// The number is turned into text as above, then the texts are compared character by character.
bool textMatchesNumber(const QString &text, float value);

} // namespace tavrilo
