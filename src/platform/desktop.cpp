#include "platform/desktop.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>
#include <QStandardPaths>
#include <QUrl>

namespace tarnvale::platform {

void DesktopBrowser::openUrl(const QString &url)
{
    // Tolerant mode keeps the address as the catalogue wrote it; the browser gets the text.
    QDesktopServices::openUrl(QUrl(url, QUrl::TolerantMode));
}

namespace {
// Runs a message box. It lives on the heap: its parent window may be closed and deleted while
// the box is up (a transfer ends meanwhile), and then takes the box with it.
int runBox(QMessageBox::Icon icon, const QString &title, const QString &text,
           QMessageBox::StandardButtons buttons, QWidget *parent)
{
    QPointer<QMessageBox> box = new QMessageBox(icon, title, text, buttons, parent);
    box->setTextFormat(Qt::PlainText);
    const int answer = box->exec();
    delete box.data();
    return answer;
}
} // namespace

void DesktopDialogs::message(QWidget *parent, const QString &text)
{
    runBox(QMessageBox::NoIcon, QApplication::applicationDisplayName(), text, QMessageBox::Ok,
           parent);
}

bool DesktopDialogs::question(QWidget *parent, const QString &title, const QString &text)
{
    return runBox(QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No, parent) ==
           QMessageBox::Yes;
}

void DesktopSound::beep()
{
    QApplication::beep();
}

QList<InterfaceInfo> interfaces()
{
    QList<InterfaceInfo> out;
    for (const QNetworkInterface &iface : QNetworkInterface::allInterfaces()) {
        InterfaceInfo info;
        info.up = iface.flags().testFlag(QNetworkInterface::IsUp);
        info.loopback = iface.flags().testFlag(QNetworkInterface::IsLoopBack);
        for (const QNetworkAddressEntry &entry : iface.addressEntries()) {
            if (entry.ip().protocol() == QAbstractSocket::IPv4Protocol) {
                info.ipv4 = entry.ip().toString();
                break;
            }
        }
        out.append(info);
    }
    return out;
}

QString pickAddress(const QList<InterfaceInfo> &interfaces)
{
    QString loopback;
    for (const InterfaceInfo &iface : interfaces) {
        if (!iface.up || iface.ipv4.isEmpty())
            continue;
        if (!iface.loopback)
            return iface.ipv4;
        if (loopback.isEmpty())
            loopback = iface.ipv4;
    }
    return loopback;
}

QString DesktopMachine::address()
{
    return pickAddress(interfaces());
}

QString DesktopMachine::appFolder()
{
    // An unpacked or built copy keeps its settings and downloads beside the executable; an
    // installed one, whose folder the user cannot write, keeps them in the per-user data
    // folder.
    const QString exeDir = QCoreApplication::applicationDirPath();
    if (QFileInfo(exeDir).isWritable())
        return exeDir;
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(data);
    return data;
}

namespace {
struct Installed {
    Browser *browser = nullptr;
    Dialogs *dialogs = nullptr;
    Sound *sound = nullptr;
    Machine *machine = nullptr;
};

Installed &installed()
{
    static Installed services;
    return services;
}

template <class Real, class Interface> Interface &pick(Interface *replacement)
{
    static Real real;
    return replacement ? *replacement : real;
}
} // namespace

Browser &browser()
{
    return pick<DesktopBrowser>(installed().browser);
}
Dialogs &dialogs()
{
    return pick<DesktopDialogs>(installed().dialogs);
}
Sound &sound()
{
    return pick<DesktopSound>(installed().sound);
}
Machine &machine()
{
    return pick<DesktopMachine>(installed().machine);
}

void install(Browser *browser, Dialogs *dialogs, Sound *sound, Machine *machine)
{
    installed() = {browser, dialogs, sound, machine};
}

} // namespace tarnvale::platform
