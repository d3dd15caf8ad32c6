#include "answer.h"

#include <cmath>

namespace tavrilo {

std::optional<float> readAnswer(const QString &text, const QLocale &locale)
{
    bool ok = false;
    const float value = locale.toFloat(text, &ok);
    if (!ok || !std::isfinite(value)) return std::nullopt;
    return value;
}

QString rightAnswer(float coordinate)
{
    // Qt shows no sign on a zero: -0 is "0".
    return QString::number(double(coordinate), 'g', QLocale::FloatingPointShortest);
}

bool isRightAnswer(const QString &text, float coordinate)
{
    return text == rightAnswer(coordinate);
}

} // namespace tavrilo
