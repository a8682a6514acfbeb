#pragma once

#include "catalogue/modentries.h"

#include <QAbstractTableModel>

namespace tarnvale {

// The rows of the mod list box: row i shows entry i's name, author and map.
class ModsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit ModsModel(const ModEntries *entries, QObject *parent = nullptr);

    // The entries changed as a whole (a new list, or the list cleared).
    void reset(const ModEntries *entries);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    const ModEntries *m_entries;
};

} // namespace tarnvale
