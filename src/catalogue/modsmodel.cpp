#include "catalogue/modsmodel.h"

namespace tarnvale {

ModsModel::ModsModel(const ModEntries *entries, QObject *parent)
    : QAbstractTableModel(parent), m_entries(entries)
{
}

void ModsModel::reset(const ModEntries *entries)
{
    beginResetModel();
    m_entries = entries;
    endResetModel();
}

int ModsModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid() || !m_entries)
        return 0;
    return int(qMin<qsizetype>(m_entries->size(), INT_MAX));
}

int ModsModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : 3;
}

QVariant ModsModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || !m_entries)
        return {};
    return m_entries->field(index.row(), index.column() + 1);
}

QVariant ModsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal)
        return {};
    switch (section) {
    case 0:
        return QStringLiteral("Mod Name");
    case 1:
        return QStringLiteral("Author");
    case 2:
        return QStringLiteral("Map");
    }
    return {};
}

} // namespace tarnvale
