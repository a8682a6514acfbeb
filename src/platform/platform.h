#pragma once

#include <QString>

class QWidget;

// What the windows need of the desktop, behind small interfaces. The program uses the real
// ones; tests install recording doubles (tests/support/fakeplatform.h).
namespace tarnvale::platform {

class Browser {
public:
    virtual ~Browser() = default;
    // Hands the address to the user's web browser, exactly as given.
    virtual void openUrl(const QString &url) = 0;
};

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // A modal message box with one button; returns when the user has dismissed it.
    virtual void message(QWidget *parent, const QString &text) = 0;
    // A modal question with the buttons Yes and No; true for Yes.
    virtual bool question(QWidget *parent, const QString &title, const QString &text) = 0;
};

class Sound {
public:
    virtual ~Sound() = default;
    virtual void beep() = 0;
};

class Machine {
public:
    virtual ~Machine() = default;
    // The machine's own network address, as text (dotted decimal for IPv4).
    virtual QString address() = 0;
    // The folder against which the settings file and the download folder resolve.
    virtual QString appFolder() = 0;
};

Browser &browser();
Dialogs &dialogs();
Sound &sound();
Machine &machine();

// Replaces the services in use; a null pointer puts the real one back.
void install(Browser *browser, Dialogs *dialogs, Sound *sound, Machine *machine);

} // namespace tarnvale::platform
