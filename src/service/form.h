#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

namespace tarnvale::service {

// A form's fields, in the order they were put in; the service relies on no order.
using Form = QList<QPair<QString, QString>>;

// "application/x-www-form-urlencoded" as the service's request script reads it: the
// characters of %&=,/\][{}`~-_()*^$#!+ and CR, LF become %XX, then spaces become "+".
// Every other byte, including those of non-ASCII characters, passes unchanged.
QByteArray encodeFormValue(const QString &text);
QByteArray encodeForm(const Form &form);

} // namespace tarnvale::service
