#include "service/fields.h"

namespace tarnvale::service {

QStringView field(QStringView text, QChar separator, int n)
{
    if (n < 1)
        return {};
    qsizetype start = 0;
    for (int i = 1; i < n; ++i) {
        const qsizetype next = text.indexOf(separator, start);
        if (next < 0)
            return {};
        start = next + 1;
    }
    const qsizetype end = text.indexOf(separator, start);
    return text.mid(start, end < 0 ? text.size() - start : end - start);
}

QStringList pieces(const QString &text, QChar separator)
{
    return text.split(separator, Qt::KeepEmptyParts);
}

} // namespace tarnvale::service
