#include "about/about.h"

namespace tarnvale {

about::about(QWidget *parent) : Window<QWidget>(parent)
{
    setObjectName(QStringLiteral("about"));
    setWindowTitle(QStringLiteral("Tarnvale 2 :: About"));
    setFixedSize(377, 293);
}

} // namespace tarnvale
