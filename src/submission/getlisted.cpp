#include "submission/getlisted.h"

#include "app/application.h"
#include "app/controls.h"
#include "app/instance.h"
#include "catalogue/mainwindow.h"
#include "platform/platform.h"
#include "service/fields.h"
#include "service/service.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

namespace tarnvale {

using controls::button;
using controls::place;

namespace submission {

int bannedMatches(const QString &list, const QString &ip)
{
    if (list.isEmpty())
        return 0;
    int matches = 0;
    for (const QString &entry : service::pieces(list, u'|')) {
        if (entry.compare(ip, Qt::CaseInsensitive) == 0)
            ++matches;
    }
    return matches;
}

QStringList mapNames(const QString &list)
{
    return list.isEmpty() ? QStringList() : service::pieces(list, u',');
}

service::Form form(const Entry &entry)
{
    auto word = [](bool ticked) {
        return ticked ? QStringLiteral("True") : QStringLiteral("False");
    };
    return {
        {QStringLiteral("modname"), entry.modname},
        {QStringLiteral("modlink"), entry.modlink},
        {QStringLiteral("modmaker"), entry.modmaker},
        {QStringLiteral("pc"), word(entry.pc)},
        {QStringLiteral("trial"), word(entry.trial)},
        {QStringLiteral("xbox"), word(entry.xbox)},
        {QStringLiteral("halo2"), word(entry.halo2)},
        {QStringLiteral("utility"), word(entry.utility)},
        {QStringLiteral("map"), entry.map},
        {QStringLiteral("version"), App()->cversion},
        {QStringLiteral("action"), QStringLiteral("getlisted")},
    };
}

void send(const service::Form &form)
{
    tarnvale::main *window = instance::main();
    // Owned by the main window, since the Get Listed window closes as soon as it is sent;
    // it goes once its one request has ended.
    auto *request = new platform::HttpRequest(window);
    request->setObjectName(QStringLiteral("submitsocket"));
    QObject::connect(request, &platform::HttpRequest::pageReceived, window,
                     [window, request](const platform::HttpReply &reply) {
                         request->deleteLater();
                         window->showReply(reply.body);
                     });
    // The main window's own wording for a failed request, but not its socket_Error: that
    // one also ends a list fetch in flight on `socket`, which this failure does not touch.
    QObject::connect(request, &platform::HttpRequest::error, window, [window, request](int code) {
        request->deleteLater();
        window->showError(code);
    });
    request->setFormData(form);
    request->post(service::requestScriptUrl());
}

} // namespace submission

namespace {
// The main window, if there is one; the Get Listed window floats above it.
QWidget *openMainWindow()
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *window = qobject_cast<tarnvale::main *>(widget); window && !window->isClosed())
            return window;
    }
    return nullptr;
}

QCheckBox *checkBox(QWidget *parent, const char *name, const QString &caption, int left, int top,
                    int width, int height)
{
    auto *box = place<QCheckBox>(parent, name, left, top, width, height);
    box->setText(caption);
    box->setEnabled(false);
    controls::fitCaption(box);
    return box;
}

QLineEdit *textField(QWidget *parent, const char *name, int left, int top)
{
    auto *field = place<QLineEdit>(parent, name, left, top, 80, 22);
    field->setEnabled(false);
    return field;
}

QLabel *label(QWidget *parent, const char *name, const QString &text, int left, int top, int width,
              int height)
{
    auto *l = place<QLabel>(parent, name, left, top, width, height);
    l->setText(text);
    l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return l;
}
} // namespace

getlisted::getlisted(QWidget *parent) : Window<QWidget>(parent ? parent : openMainWindow())
{
    setObjectName(QStringLiteral("getlisted"));
    setWindowTitle(QStringLiteral("Get Listed"));
    // A floating window: kept in front of the main window it belongs to.
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFixedSize(304, 298);
    controls::useLayoutFont(this);
    // The buttons' captions are set at 12 points of the layout's scale, in which a point is a
    // pixel, like the 10 pixel font of the rest of the window.
    QFont buttonFont = font();
    buttonFont.setPixelSize(12);

    listnick = textField(this, "listnick", 58, 41);
    makertxt = label(this, "makertxt", QStringLiteral("Maker"), 26, 42, 30, 17);
    controls::fitCaption(makertxt, true);
    listmod = textField(this, "listmod", 58, 79);
    modnametxt = label(this, "modnametxt", QStringLiteral("Mod Name"), 4, 81, 52, 17);
    controls::fitCaption(modnametxt, true);

    Separator1 = place<QFrame>(this, "Separator1", 0, 251, 304, 4);
    Separator1->setFrameShape(QFrame::HLine);
    Separator1->setFrameShadow(QFrame::Sunken);

    listmodlink = textField(this, "listmodlink", 58, 119);
    linktxt = label(this, "linktxt", QStringLiteral("Link"), 36, 121, 20, 17);
    controls::fitCaption(linktxt, true);

    listtrial = checkBox(this, "listtrial", QStringLiteral("Trial"), 13, 167, 43, 20);
    listtrial->setChecked(true);
    listpc = checkBox(this, "listpc", QStringLiteral("PC"), 13, 191, 33, 20);

    listsubmit = button(this, "listsubmit", QStringLiteral("Submit"), 235, 267, 60, 22);
    listsubmit->setFont(buttonFont);
    listsubmit->setEnabled(false);
    connect(listsubmit, &QPushButton::clicked, this, &getlisted::listsubmit_Action);

    listnvm = button(this, "listnvm", QStringLiteral("Cancel"), 171, 267, 60, 22);
    listnvm->setFont(buttonFont);
    connect(listnvm, &QPushButton::clicked, this, &getlisted::listnvm_Action);

    // The link is not inspected: this caution is all that keeps a disk path out of it.
    warntxt =
        label(this, "warntxt",
              QStringLiteral("Don't link a path on your disk like \"C:\\....\", nothing can be "
                             "uploaded from it: upload the mod to a web site and link the "
                             "file there, e.g. \"http://www.example.com/mymod.zip\"."),
              3, 210, 292, 43);
    warntxt->setWordWrap(true);
    warntxt->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    listxbox = checkBox(this, "listxbox", QStringLiteral("Xbox"), 58, 167, 45, 20);
    listhalo2 = checkBox(this, "listhalo2", QStringLiteral("Halo 2"), 58, 191, 53, 20);

    mapselect = place<QComboBox>(this, "mapselect", 170, 57, 125, 20);
    mapselect->setEnabled(false);
    maptxt = label(this, "maptxt", QStringLiteral("Map:"), 170, 38, 24, 20);
    controls::fitCaption(maptxt);

    socketmaps = new platform::HttpRequest(this);
    socketmaps->setObjectName(QStringLiteral("socketmaps"));
    connect(socketmaps, &platform::HttpRequest::pageReceived, this,
            &getlisted::socketmaps_PageReceived);

    ipsocket = new platform::HttpRequest(this);
    ipsocket->setObjectName(QStringLiteral("ipsocket"));
    connect(ipsocket, &platform::HttpRequest::pageReceived, this,
            &getlisted::ipsocket_PageReceived);

    listutility = checkBox(this, "listutility", QStringLiteral("Utility"), 115, 190, 49, 20);

    Open();
}

void getlisted::Open()
{
    // A machine without any address has an empty `ip`; it is compared like any other.
    ip = platform::machine().address();
    ipsocket->get(service::url(QString::fromLatin1(service::bannedIpsPath)));
}

void getlisted::ipsocket_PageReceived(const platform::HttpReply &reply)
{
    const int matches = submission::bannedMatches(QString::fromUtf8(reply.body), ip);
    QPointer<getlisted> self(this);
    for (int i = 0; i < matches; ++i) {
        banned = true;
        platform::dialogs().message(
            this, QStringLiteral("Your IP Address has been banned from submitting mods"));
        // The window may have been closed while the box was up.
        if (!self || isClosed())
            return;
    }
    if (banned)
        return;
    for (QWidget *control :
         std::initializer_list<QWidget *>{listmod, listmodlink, listnick, listpc, listsubmit,
                                          listtrial, listxbox, listhalo2, listutility, mapselect})
        control->setEnabled(true);
    socketmaps->get(service::url(QString::fromLatin1(service::mapsPath)));
}

void getlisted::socketmaps_PageReceived(const platform::HttpReply &reply)
{
    mapselect->addItems(submission::mapNames(QString::fromUtf8(reply.body)));
    // The combo box selects its first row by itself; the user has to pick the map.
    mapselect->setCurrentIndex(-1);
}

void getlisted::listsubmit_Action()
{
    if (mapselect->currentIndex() < 0 || listmod->text().isEmpty() || listmodlink->text().isEmpty())
        return;
    submission::send(submission::form({listmod->text(), listmodlink->text(), listnick->text(),
                                       listpc->isChecked(), listtrial->isChecked(),
                                       listxbox->isChecked(), listhalo2->isChecked(),
                                       listutility->isChecked(), mapselect->currentText()}));
    close();
}

void getlisted::listnvm_Action()
{
    hide();
}

} // namespace tarnvale
