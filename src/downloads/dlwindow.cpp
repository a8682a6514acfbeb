#include "downloads/dlwindow.h"

namespace tarnvale {

dlwindow::dlwindow(QWidget *parent) : Window<QWidget>(parent)
{
    setObjectName(QStringLiteral("dlwindow"));
    setWindowTitle(QStringLiteral("Download :: "));
    setFixedSize(300, 102);
}

} // namespace tarnvale
