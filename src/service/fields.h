#pragma once

#include <QList>
#include <QString>
#include <QStringView>

// Field cutting, shared by every list the service serves and by the settings line: a text is
// cut at every occurrence of a one-character separator, empty pieces are kept and nothing is
// trimmed. There is no quoting or escaping.
namespace tarnvale::service {

// Field n (counting from 1) of the text; the empty string when it does not exist.
QStringView field(QStringView text, QChar separator, int n);
inline QString fieldString(QStringView text, QChar separator, int n)
{
    return field(text, separator, n).toString();
}

// All pieces, in order; a text without a separator is one piece.
QStringList pieces(const QString &text, QChar separator);

} // namespace tarnvale::service
