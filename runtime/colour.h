#pragma once

#include <QColor>
#include <QtGlobal>

namespace tavrilo {

// Colours are kept as 0x00BBGGRR values, red in the low byte, as the window's colour table gives
// them.
using Bgr = quint32;

inline QColor colourFromBgr(Bgr value)
{
    return QColor::fromRgb(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

} // namespace tavrilo
