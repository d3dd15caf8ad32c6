#pragma once

#include <QLocale>
#include <QString>
#include <optional>

namespace tavrilo {

// How the learner's answer for one coordinate is read, to be drawn, and judged.

// Where the answer is drawn: its value in single precision, read by the locale's numeric syntax.
// Empty when the text is no number there, or names an infinity, NaN or a value beyond single
// precision.
std::optional<float> readAnswer(const QString &text, const QLocale &locale = QLocale());

// The one text judged right for the coordinate: its shortest decimal form, minus sign for
// negatives, no blank and no leading plus sign; -7 ... 7 for the integral targets.
QString rightAnswer(float coordinate);

// Judged by its text alone, character by character against the right answer.
bool isRightAnswer(const QString &text, float coordinate);

} // namespace tavrilo
