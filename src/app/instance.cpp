#include "app/instance.h"

#include "about/about.h"
#include "app/menu.h"
#include "app/window.h"
#include "catalogue/mainwindow.h"
#include "downloads/dlwindow.h"
#include "downloads/utilitieswin.h"
#include "settings/settingswin.h"
#include "submission/getlisted.h"

namespace tarnvale::instance {

tarnvale::main *main()
{
    return detail::openOrCreate<tarnvale::main>();
}
tarnvale::dlwindow *dlwindow()
{
    return detail::openOrCreate<tarnvale::dlwindow>();
}
tarnvale::utilitieswin *utilitieswin()
{
    return detail::openOrCreate<tarnvale::utilitieswin>();
}
tarnvale::getlisted *getlisted()
{
    return detail::openOrCreate<tarnvale::getlisted>();
}
tarnvale::settingswin *settingswin()
{
    return detail::openOrCreate<tarnvale::settingswin>();
}
tarnvale::about *about()
{
    return detail::openOrCreate<tarnvale::about>();
}

tarnvale::menu *menu()
{
    // Owned by the main window that shows it; a new main window (in tests) gets a new one.
    static QPointer<tarnvale::menu> bar;
    if (!bar)
        bar = new tarnvale::menu;
    return bar;
}

} // namespace tarnvale::instance
