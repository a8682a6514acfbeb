#pragma once

// One accessor per window class, named after it: each returns the open window of that class,
// shown or hidden, or creates one. Creating a window shows it and runs its opening steps;
// reaching an existing one touches nothing.
namespace tarnvale {
class main;
class menu;
class dlwindow;
class utilitieswin;
class getlisted;
class settingswin;
class about;

namespace instance {
tarnvale::main *main();
tarnvale::menu *menu(); // the menu bar, created on first use
tarnvale::dlwindow *dlwindow();
tarnvale::utilitieswin *utilitieswin();
tarnvale::getlisted *getlisted();
tarnvale::settingswin *settingswin();
tarnvale::about *about();
} // namespace instance

} // namespace tarnvale
