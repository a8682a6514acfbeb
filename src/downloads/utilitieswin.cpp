#include "downloads/utilitieswin.h"

#include "app/controls.h"
#include "platform/platform.h"
#include "service/fields.h"
#include "service/service.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QUrl>
#include <algorithm>

namespace tarnvale {

using controls::button;
using controls::place;

namespace utilities {

QStringList records(const QString &body)
{
    return body.isEmpty() ? QStringList() : service::pieces(body, u';');
}

QString name(const QString &record)
{
    return service::fieldString(record, u'|', 1);
}

QString shownVersion(const QString &record)
{
    const QString version = service::fieldString(record, u'|', 2);
    return version.isEmpty() ? QStringLiteral("Undefined") : version;
}

QString link(const QString &record)
{
    return service::fieldString(record, u'|', 3);
}

bool isWebAddress(const QString &link)
{
    // A space inside is fine (file names have them); control characters are not.
    const bool clean = std::none_of(link.begin(), link.end(), [](QChar c) {
        return c.unicode() < 0x20 || c.unicode() == 0x7f;
    });
    if (!clean)
        return false;
    const QUrl url(link, QUrl::TolerantMode);
    const QString scheme = url.scheme().toLower();
    return url.isValid() && (scheme == u"http" || scheme == u"https") && !url.host().isEmpty();
}

} // namespace utilities

utilitieswin::utilitieswin(QWidget *parent) : Window<QWidget>(parent)
{
    setObjectName(QStringLiteral("utilitieswin"));
    setWindowTitle(QStringLiteral("Tarnvale 2 :: Utilities"));
    setFixedSize(348, 287);

    utilslist = place<QTreeWidget>(this, "utilslist", 20, 14, 308, 233);
    utilslist->setColumnCount(1);
    utilslist->setHeaderLabels({QStringLiteral("Utility")});
    utilslist->setRootIsDecorated(false);
    utilslist->setItemsExpandable(false);
    utilslist->setSelectionMode(QAbstractItemView::SingleSelection);
    utilslist->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Rows are matched to their records by position, so they are never sorted.
    utilslist->setSortingEnabled(false);
    utilslist->header()->setSectionsClickable(false);
    utilslist->header()->setSectionsMovable(false);
    utilslist->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    utilslist->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    connect(utilslist, &QTreeWidget::itemSelectionChanged, this, &utilitieswin::utilslist_Change);

    versiontxt = place<QLineEdit>(this, "versiontxt", 20, 257, 80, 22);
    versiontxt->setReadOnly(true);
    versiontxt->setToolTip(QStringLiteral("What version of Halo this Utility is used for"));

    utildlbtn = button(this, "utildlbtn", QStringLiteral("Download"), 248, 259, 80, 20);
    utildlbtn->setEnabled(false);
    connect(utildlbtn, &QPushButton::clicked, this, &utilitieswin::utildlbtn_Action);

    socket = new platform::HttpRequest(this);
    socket->setObjectName(QStringLiteral("socket"));
    connect(socket, &platform::HttpRequest::pageReceived, this, &utilitieswin::socket_PageReceived);

    Open();
}

void utilitieswin::Open()
{
    socket->get(service::url(QString::fromLatin1(service::utilitiesPath)));
}

void utilitieswin::socket_PageReceived(const platform::HttpReply &reply)
{
    utils = utilities::records(QString::fromUtf8(reply.body));
    // Rows are added after any already there; a window fetches its list only once.
    for (const QString &record : std::as_const(utils))
        utilslist->addTopLevelItem(new QTreeWidgetItem(QStringList{utilities::name(record)}));
}

void utilitieswin::utilslist_Change()
{
    const QList<QTreeWidgetItem *> selected = utilslist->selectedItems();
    if (selected.isEmpty()) {
        utildlbtn->setEnabled(false);
        return;
    }
    const QString record = utils.value(utilslist->indexOfTopLevelItem(selected.first()));
    utillink = utilities::link(record);
    utildlbtn->setEnabled(true);
    versiontxt->setText(utilities::shownVersion(record));
}

void utilitieswin::utildlbtn_Action()
{
    // The link comes from the catalogue as it stands: only a web address goes to the
    // desktop, never a file, a script or a program to run.
    // Blanks and line breaks around the link (a list saved with a final line break leaves one
    // on the last record) are no part of the address.
    const QString link = utillink.trimmed();
    if (!utilities::isWebAddress(link)) {
        platform::dialogs().message(
            this, QStringLiteral("The link of this utility is not a web address, so it is not "
                                 "opened:\n\"%1\"")
                      .arg(utillink));
        return;
    }
    platform::browser().openUrl(link);
}

} // namespace tarnvale
