#pragma once

#include <QMenuBar>

class QAction;

namespace tarnvale {

// The program's one menu bar: "Options" and "Report". Items carry their names as object names;
// the main window finds them by name and connects its handlers.
class menu : public QMenuBar {
    Q_OBJECT
public:
    explicit menu(QWidget *parent = nullptr);
    QAction *item(const QString &name) const;
};

} // namespace tarnvale
