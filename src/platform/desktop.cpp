#include "platform/desktop.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QStandardPaths>
#include <QUrl>

namespace tarnvale::platform {

void DesktopBrowser::openUrl(const QString &url)
{
    // Tolerant mode keeps the address as the catalogue wrote it; the browser gets the text.
    QDesktopServices::openUrl(QUrl(url, QUrl::TolerantMode));
}

void DesktopDialogs::message(QWidget *parent, const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, QApplication::applicationDisplayName(), text,
                    QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

bool DesktopDialogs::question(QWidget *parent, const QString &title, const QString &text)
{
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No,
                    parent);
    box.setTextFormat(Qt::PlainText);
    return box.exec() == QMessageBox::Yes;
}

void DesktopSound::beep() { QApplication::beep(); }

QString pickAddress(const QList<QNetworkInterface> &interfaces)
{
    auto firstIPv4 = [](const QNetworkInterface &iface) -> QString {
        for (const QNetworkAddressEntry &entry : iface.addressEntries()) {
            if (entry.ip().protocol() == QAbstractSocket::IPv4Protocol)
                return entry.ip().toString();
        }
        return {};
    };
    QString loopback;
    for (const QNetworkInterface &iface : interfaces) {
        const auto flags = iface.flags();
        if (!flags.testFlag(QNetworkInterface::IsUp))
            continue;
        const QString address = firstIPv4(iface);
        if (address.isEmpty())
            continue;
        if (!flags.testFlag(QNetworkInterface::IsLoopBack))
            return address;
        if (loopback.isEmpty())
            loopback = address;
    }
    return loopback;
}

QString DesktopMachine::address() { return pickAddress(QNetworkInterface::allInterfaces()); }

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

Browser &browser() { return pick<DesktopBrowser>(installed().browser); }
Dialogs &dialogs() { return pick<DesktopDialogs>(installed().dialogs); }
Sound &sound() { return pick<DesktopSound>(installed().sound); }
Machine &machine() { return pick<DesktopMachine>(installed().machine); }

void install(Browser *browser, Dialogs *dialogs, Sound *sound, Machine *machine)
{
    installed() = {browser, dialogs, sound, machine};
}

} // namespace tarnvale::platform
