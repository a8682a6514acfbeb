#include "service/form.h"

namespace tarnvale::service {

namespace {
constexpr char escapeSet[] = "%&=,/\\][{}`~-_()*^$#!+\r\n";
}

QByteArray encodeFormValue(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    QByteArray out;
    out.reserve(bytes.size() + bytes.size() / 2);
    // One pass gives the same result as escaping "%" first and the other characters after
    // it: no escape introduces a character that a later step would replace again.
    for (const char c : bytes) {
        if (c != '\0' && std::char_traits<char>::find(escapeSet, sizeof escapeSet - 1, c)) {
            out += '%';
            out += QByteArray::number(static_cast<unsigned char>(c), 16)
                       .toUpper()
                       .rightJustified(2, '0');
        } else if (c == ' ') {
            out += '+';
        } else {
            out += c;
        }
    }
    return out;
}

QByteArray encodeForm(const Form &form)
{
    QByteArray out;
    for (const auto &[name, value] : form) {
        if (!out.isEmpty())
            out += '&';
        out += encodeFormValue(name) + '=' + encodeFormValue(value);
    }
    return out;
}

} // namespace tarnvale::service
