#include "app/menu.h"

#include <QAction>
#include <QApplication>

namespace tarnvale {

namespace {
QAction *addItem(QMenu *menu, const char *name, const QString &caption, const char *shortcut)
{
    QAction *action = menu->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcut(QKeySequence(QString::fromLatin1(shortcut)));
    return action;
}
} // namespace

menu::menu(QWidget *parent) : QMenuBar(parent)
{
    setObjectName(QStringLiteral("menu"));

    QMenu *options = addMenu(QStringLiteral("Options"));
    options->setObjectName(QStringLiteral("OptionsMenu"));
    addItem(options, "aboutbtn", QStringLiteral("&About..."), "Ctrl+A");
    addItem(options, "getlistedmenubtn", QStringLiteral("G&et Listed"), "Ctrl+E");
    addItem(options, "reportbug", QStringLiteral("Report a &Bug"), "Ctrl+B");
    QAction *quit = addItem(options, "FileQuit", QStringLiteral("Quit"), "Ctrl+Q");
    quit->setMenuRole(QAction::QuitRole);
    connect(quit, &QAction::triggered, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    addItem(options, "settingsbtn", QStringLiteral("&Settings"), "Ctrl+S");

    QMenu *report = addMenu(QStringLiteral("Report"));
    report->setObjectName(QStringLiteral("reportmenu"));
    addItem(report, "brokenlinkmenu", QStringLiteral("Broken &Link"), "Ctrl+L");
    addItem(report, "badmodmenu", QStringLiteral("B&roken/Bad Mod"), "Ctrl+R");
}

QAction *menu::item(const QString &name) const
{
    return findChild<QAction *>(name);
}

} // namespace tarnvale
