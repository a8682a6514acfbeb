#include "submission/getlisted.h"

namespace tarnvale {

getlisted::getlisted(QWidget *parent) : Window<QWidget>(parent)
{
    setObjectName(QStringLiteral("getlisted"));
    setWindowTitle(QStringLiteral("Get Listed"));
    setFixedSize(304, 298);
}

} // namespace tarnvale
