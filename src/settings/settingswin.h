#pragma once

#include "app/window.h"

#include <QString>
#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tarnvale {

namespace settings {
// Why a download folder name cannot be saved, or empty when it can. The settings line has
// no escaping, so a ";" in the name would cut it into other fields at the next load.
QString folderNameProblem(const QString &folder);
} // namespace settings

// The settings window: shows the settings file each time it becomes the active window, and
// saves it with "Ok".
class settingswin : public Window<QWidget> {
    Q_OBJECT
public:
    explicit settingswin(QWidget *parent = nullptr);

    QString rawdata; // the settings line read at the latest activation

    // Controls, in the order they are created.
    QLineEdit *dlto;
    QLabel *StaticText1;
    QCheckBox *medl;
    QPushButton *okbtn;
    QCheckBox *alertdl;

    // Handlers.
    void Activate();
    void okbtn_Action();

protected:
    bool event(QEvent *event) override;

private:
    bool m_toldUnreadable = false;
    // The window lost the focus to a message box of its own or of the settings store; coming
    // back from it is no new visit, and must not replace what the user typed with the file.
    bool m_awayInOwnBox = false;
};

} // namespace tarnvale
