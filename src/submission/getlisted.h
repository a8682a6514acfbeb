#pragma once

#include "app/window.h"
#include "platform/httprequest.h"
#include "service/form.h"

#include <QString>
#include <QStringList>
#include <QWidget>

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tarnvale {

namespace submission {

// How many entries of the banned-address list (cut at every "|", nothing trimmed) equal the
// address, letter case aside. An empty list has no entry at all, so it bans nobody, not even
// a machine without an address.
int bannedMatches(const QString &list, const QString &ip);

// The names of the map list, cut at every ",": nothing trimmed or dropped. An empty list
// gives no names.
QStringList mapNames(const QString &list);

struct Entry {
    QString modname;
    QString modlink;
    QString modmaker;
    bool pc = false;
    bool trial = false;
    bool xbox = false;
    bool halo2 = false;
    bool utility = false;
    QString map;
};

// The eleven fields the request script takes for a submission, texts as typed.
service::Form form(const Entry &entry);

// Posts the submission to the request script on a request object of its own, owned by the
// main window, whose answer is shown in the main window's `phptxt`. The main window's `socket`
// stays free: a list fetch or a report started before or after does not cancel the
// submission, nor does the submission cancel them.
void send(const service::Form &form);

} // namespace submission

// The "Get Listed" window: checks that this machine may submit, then takes a mod's details
// and submits them to the catalogue.
class getlisted : public Window<QWidget> {
    Q_OBJECT
public:
    explicit getlisted(QWidget *parent = nullptr);

    QString ip;          // the machine's address, compared with the banned-address list
    bool banned = false; // the address is on that list; the form stays locked

    // Controls, in the order they are created.
    QLineEdit *listnick;
    QLabel *makertxt;
    QLineEdit *listmod;
    QLabel *modnametxt;
    QFrame *Separator1;
    QLineEdit *listmodlink;
    QLabel *linktxt;
    QCheckBox *listtrial;
    QCheckBox *listpc;
    QPushButton *listsubmit;
    QPushButton *listnvm;
    QLabel *warntxt;
    QCheckBox *listxbox;
    QCheckBox *listhalo2;
    QComboBox *mapselect;
    QLabel *maptxt;
    platform::HttpRequest *socketmaps;
    platform::HttpRequest *ipsocket;
    QCheckBox *listutility;

    // Handlers.
    void ipsocket_PageReceived(const platform::HttpReply &reply);
    void socketmaps_PageReceived(const platform::HttpReply &reply);
    void listsubmit_Action();
    void listnvm_Action();

private:
    void Open();
};

} // namespace tarnvale
