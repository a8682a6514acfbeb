#include "app/application.h"
#include "app/instance.h"
#include "catalogue/mainwindow.h"

#include <QObject>

int main(int argc, char *argv[])
{
    tarnvale::Application app(argc, argv);
    tarnvale::main *window = tarnvale::instance::main();
    // Closing the main window ends the run as "Quit" does: without it nothing of the program
    // could be reached any more.
    QObject::connect(window, &QObject::destroyed, &app, &QCoreApplication::quit);
    return app.exec();
}
