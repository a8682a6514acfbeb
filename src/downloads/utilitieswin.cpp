#include "downloads/utilitieswin.h"

namespace tarnvale {

utilitieswin::utilitieswin(QWidget *parent) : Window<QWidget>(parent)
{
    setObjectName(QStringLiteral("utilitieswin"));
    setWindowTitle(QStringLiteral("Tarnvale 2 :: Utilities"));
    setFixedSize(348, 287);
}

} // namespace tarnvale
