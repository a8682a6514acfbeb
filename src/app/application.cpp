#include "app/application.h"

namespace tarnvale {

Application::Application(int &argc, char **argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Tarnvale"));
    setApplicationDisplayName(QStringLiteral("Tarnvale"));
    setApplicationVersion(cversion);
    // Every window of the program is its own top-level window; the run ends when the main
    // window goes (see app/main.cpp), not when the last window closes.
    setQuitOnLastWindowClosed(false);
}

Application *App()
{
    return static_cast<Application *>(QCoreApplication::instance());
}

} // namespace tarnvale
