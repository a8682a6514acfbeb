#include "settings/settingswin.h"

#include "app/application.h"
#include "app/controls.h"
#include "platform/platform.h"
#include "settings/settingsstore.h"

#include <QApplication>
#include <QCheckBox>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

namespace tarnvale {

using controls::button;
using controls::place;

namespace settings {
QString folderNameProblem(const QString &folder)
{
    if (!folder.contains(u';'))
        return {};
    return QStringLiteral("The folder name \"%1\" holds a \";\", which the settings file uses "
                          "to separate the settings. Please choose a name without \";\". "
                          "Nothing was saved.")
        .arg(folder);
}
} // namespace settings

namespace {
// Whether a load reads the file, or creates it, without having to complain.
bool loadable()
{
    const QFileInfo info(settings::filePath());
    if (!info.exists())
        return QFileInfo(info.absolutePath()).isWritable();
    QFile file(info.filePath());
    return file.open(QIODevice::ReadOnly);
}

QCheckBox *checkBox(QWidget *parent, const char *name, const QString &caption, int left, int top,
                    int width, int height)
{
    auto *box = place<QCheckBox>(parent, name, left, top, width, height);
    box->setText(caption);
    box->setChecked(true);
    controls::fitCaption(box);
    return box;
}
} // namespace

settingswin::settingswin(QWidget *parent) : Window<QWidget>(parent)
{
    setObjectName(QStringLiteral("settingswin"));
    setWindowTitle(QStringLiteral("Tarnvale 2 :: Settings"));
    setFixedSize(320, 143);
    controls::useLayoutFont(this);

    dlto = place<QLineEdit>(this, "dlto", 103, 14, 191, 22);
    dlto->setText(QStringLiteral("Mod Downloads"));

    StaticText1 = place<QLabel>(this, "StaticText1", 11, 14, 86, 20);
    StaticText1->setText(QStringLiteral("Download files to:"));
    StaticText1->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    controls::fitCaption(StaticText1, true);

    medl = checkBox(this, "medl", QStringLiteral("Download using program"), 20, 37, 137, 20);

    okbtn = button(this, "okbtn", QStringLiteral("Ok"), 270, 121, 42, 20);
    connect(okbtn, &QPushButton::clicked, this, &settingswin::okbtn_Action);

    alertdl = checkBox(this, "alertdl", QStringLiteral("Alert me when a download is done"), 20, 61,
                       182, 20);
}

bool settingswin::event(QEvent *event)
{
    if (event->type() == QEvent::WindowDeactivate) {
        // Its own boxes, and the settings store's, which have no parent.
        const QWidget *modal = QApplication::activeModalWidget();
        m_awayInOwnBox = modal && (modal->parentWidget() == this || !modal->parentWidget());
    } else if (event->type() == QEvent::WindowActivate) {
        if (!std::exchange(m_awayInOwnBox, false))
            Activate();
    }
    return Window<QWidget>::event(event);
}

void settingswin::Activate()
{
    // A file that cannot be read is reported once. Its message box hands the activation back
    // to this window when dismissed, and reporting it again then would never end.
    if (!loadable()) {
        if (m_toldUnreadable)
            return;
        m_toldUnreadable = true;
    } else {
        m_toldUnreadable = false;
    }
    rawdata = settings::loadIntoApp();
    dlto->setText(App()->dlto);
    medl->setChecked(App()->medl);
    alertdl->setChecked(App()->alertdl);
}

void settingswin::okbtn_Action()
{
    const QString problem = settings::folderNameProblem(dlto->text());
    if (!problem.isEmpty()) {
        platform::dialogs().message(this, problem);
        return;
    }
    // A file that could not be written has been reported by the store; the window stays
    // open with what the user typed.
    if (!settings::save({dlto->text(), medl->isChecked(), alertdl->isChecked()}))
        return;
    QPointer<settingswin> self(this);
    platform::dialogs().message(this, QStringLiteral("Settings Saved"));
    if (self)
        close();
}

} // namespace tarnvale
