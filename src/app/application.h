#pragma once

#include <QApplication>
#include <QString>

namespace tarnvale {

// The application object: the state that more than one window needs. The settings values
// change only when the settings file is loaded (settings/settingsstore.h).
class Application : public QApplication {
    Q_OBJECT
public:
    Application(int &argc, char **argv);

    const QString cversion = QStringLiteral("2.1211"); // sent with every report and submission
    QString dlto;         // download folder, relative to the application's folder
    bool medl = false;    // download inside the program (else hand the link to the browser)
    bool alertdl = false; // tell the user when a download is done
    QString rawdata;      // the settings line read at start-up
};

// The one application object; valid from its creation to the end of the run.
Application *App();

} // namespace tarnvale
