#pragma once

#include <QColor>

// The desktop's accent colours, fixed so that icons look the same on every theme.
inline QColor systemBlueColor() { return QColor(53, 132, 228); }
inline QColor systemGreenColor() { return QColor(46, 194, 126); }
inline QColor systemRedColor() { return QColor(224, 27, 36); }
inline QColor systemOrangeColor() { return QColor(255, 120, 0); }
inline QColor systemGrayColor() { return QColor(154, 153, 150); }
