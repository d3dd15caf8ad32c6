#include "conversion.h"

#include <cmath>

namespace tavrilo {

std::optional<float> textToNumber(const QString &text, const QLocale &locale)
{
    bool ok = false;
    const float value = locale.toFloat(text, &ok);
    if (!ok || !std::isfinite(value)) return std::nullopt;
    return value;
}

QString numberToText(float value)
{
    // Qt shows no sign on a zero: -0 is "0".
    return QString::number(double(value), 'g', QLocale::FloatingPointShortest);
}

bool textMatchesNumber(const QString &text, float value)
{
    return text == numberToText(value);
}

} // namespace tavrilo
