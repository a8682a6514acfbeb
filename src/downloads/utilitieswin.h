#pragma once

#include "app/window.h"
#include "platform/httprequest.h"

#include <QString>
#include <QStringList>
#include <QWidget>

class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace tarnvale {

namespace utilities {

// The records of utilities.txt, cut at every ";": empty ones kept, nothing trimmed. An empty
// reply is an empty list, not one nameless utility.
QStringList records(const QString &body);
// Fields of a record, cut at "|": 1 name, 2 Halo version, 3 download link.
QString name(const QString &record);
// The version as shown: "Undefined" when the field is empty (a space is not empty).
QString shownVersion(const QString &record);
QString link(const QString &record);
// An http or https address with a host and nothing that a browser or the desktop could take
// for something else (a control character). Only such a link is handed to the browser.
bool isWebAddress(const QString &link);

} // namespace utilities

// The utilities window: the catalogue's tools besides mods, each handed to the web browser.
class utilitieswin : public Window<QWidget> {
    Q_OBJECT
public:
    explicit utilitieswin(QWidget *parent = nullptr);

    QStringList utils; // record i of utilities.txt is shown in row i of `utilslist`
    QString utillink;  // the link of the utility selected last

    // Controls, in the order they are created.
    QTreeWidget *utilslist;
    QLineEdit *versiontxt;
    QPushButton *utildlbtn;
    platform::HttpRequest *socket;

    // Handlers.
    void socket_PageReceived(const platform::HttpReply &reply);
    void utilslist_Change();
    void utildlbtn_Action();

private:
    void Open();
};

} // namespace tarnvale
