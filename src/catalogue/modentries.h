#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

namespace tarnvale {

// The entries of a mod list: the body as received, kept once, and where each entry starts.
// Entries are cut at every ";" and fields at every "|"; fields are cut out when asked for, so
// a list of a million mods costs its body and one offset per entry.
//
// The fields: 1 mod name, 2 author, 3 map, 4 file name; later fields are ignored.
class ModEntries {
public:
    ModEntries() = default;
    // An empty body is an empty list: no entry, rather than one empty entry.
    explicit ModEntries(QByteArray body);

    qsizetype size() const { return m_starts.empty() ? 0 : qsizetype(m_starts.size()) - 1; }
    bool isEmpty() const { return size() == 0; }

    // Entry i as the text between its separators.
    QString entry(qsizetype i) const;
    // Field n (from 1) of entry i; empty when the entry has fewer fields.
    QString field(qsizetype i, int n) const;

private:
    QByteArray m_body;
    // m_starts[i] is where entry i begins; the last element is one past the end plus one, so
    // that entry i always ends at m_starts[i + 1] - 1.
    std::vector<qsizetype> m_starts;
};

} // namespace tarnvale
