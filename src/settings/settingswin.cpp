#include "settings/settingswin.h"

namespace tarnvale {

settingswin::settingswin(QWidget *parent) : Window<QWidget>(parent)
{
    setObjectName(QStringLiteral("settingswin"));
    setWindowTitle(QStringLiteral("Tarnvale 2 :: Settings"));
    setFixedSize(320, 143);
}

} // namespace tarnvale
