#include "catalogue/modentries.h"

#include <QStringDecoder>
#include <cstring>

namespace tarnvale {

namespace {
// A field as text: UTF-8 when it is valid UTF-8, otherwise byte for byte as Latin-1, so that a
// catalogue written in a single-byte encoding still shows (and downloads) its names.
QString decode(const char *data, qsizetype size)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(QByteArrayView(data, size));
    return utf8.hasError() ? QString::fromLatin1(data, size) : text;
}
} // namespace

ModEntries::ModEntries(QByteArray body) : m_body(std::move(body))
{
    if (m_body.isEmpty())
        return;
    const char *data = m_body.constData();
    const qsizetype size = m_body.size();
    // A list entry is some tens of bytes; reserving for that avoids most regrowth.
    m_starts.reserve(size_t(size / 48 + 2));
    m_starts.push_back(0);
    const char *p = data;
    const char *end = data + size;
    while (const void *hit = std::memchr(p, ';', size_t(end - p))) {
        p = static_cast<const char *>(hit) + 1;
        m_starts.push_back(p - data);
    }
    m_starts.push_back(size + 1);
}

QString ModEntries::entry(qsizetype i) const
{
    if (i < 0 || i >= size())
        return {};
    const qsizetype begin = m_starts[size_t(i)];
    return decode(m_body.constData() + begin, m_starts[size_t(i) + 1] - 1 - begin);
}

QString ModEntries::field(qsizetype i, int n) const
{
    if (i < 0 || i >= size() || n < 1)
        return {};
    const char *p = m_body.constData() + m_starts[size_t(i)];
    const char *end = m_body.constData() + m_starts[size_t(i) + 1] - 1;
    for (int k = 1; k < n; ++k) {
        const void *bar = std::memchr(p, '|', size_t(end - p));
        if (!bar)
            return {};
        p = static_cast<const char *>(bar) + 1;
    }
    const void *bar = std::memchr(p, '|', size_t(end - p));
    const char *fieldEnd = bar ? static_cast<const char *>(bar) : end;
    return decode(p, fieldEnd - p);
}

} // namespace tarnvale
