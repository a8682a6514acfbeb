#include "catalogue/modentries.h"

#include <cstring>

namespace tarnvale {

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
    return QString::fromUtf8(m_body.constData() + begin, m_starts[size_t(i) + 1] - 1 - begin);
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
    return QString::fromUtf8(p, fieldEnd - p);
}

} // namespace tarnvale
