#pragma once

#include "platform/platform.h"

#include <QList>
#include <QNetworkInterface>

// The real services of a desktop session.
namespace tarnvale::platform {

class DesktopBrowser final : public Browser {
public:
    void openUrl(const QString &url) override;
};

class DesktopDialogs final : public Dialogs {
public:
    void message(QWidget *parent, const QString &text) override;
    bool question(QWidget *parent, const QString &title, const QString &text) override;
};

class DesktopSound final : public Sound {
public:
    void beep() override;
};

class DesktopMachine final : public Machine {
public:
    QString address() override;
    QString appFolder() override;
};

// What the address choice needs of a network interface.
struct InterfaceInfo {
    bool up = false;
    bool loopback = false;
    QString ipv4; // its first IPv4 address, empty when it has none
};
QList<InterfaceInfo> interfaces();

// The first interface that is up, not loopback and has an IPv4 address; loopback's IPv4
// address when there is none; empty on a machine without interfaces. The system lists
// loopback first, so "the first interface" alone would always be 127.0.0.1.
QString pickAddress(const QList<InterfaceInfo> &interfaces);

} // namespace tarnvale::platform
