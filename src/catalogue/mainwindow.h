#pragma once

#include "app/window.h"
#include "catalogue/modentries.h"
#include "platform/httprequest.h"
#include "service/form.h"

#include <QMainWindow>

class QAction;
class QComboBox;
class QPlainTextEdit;
class QPushButton;
class QTreeView;

namespace tarnvale {

class BusyWheel;
class ModsModel;

// The main window: pick an edition, see its mods, download one, report problems, and reach
// the other windows. Its one request object carries the list fetches and the reports.
class main : public Window<QMainWindow> {
    Q_OBJECT
public:
    explicit main(QWidget *parent = nullptr);
    ~main() override;

    // Posts a form to the service's request script on `socket`; the answer is shown in
    // `phptxt`. A list fetch still in flight is abandoned.
    void postToRequestScript(const service::Form &form);
    // Shows the answer of a post to the request script.
    void showReply(const QByteArray &body);
    // Tells the user that a request of this window failed: "Error: " and the code.
    void showError(int code);

    QAction *brokenlinkmenu() const;

    // The entries of the last mod list received; row i of `mods` shows entry i.
    ModEntries items;
    QString modauthor; // author field of the mod selected last
    QString modfile;   // file-name field of the mod selected last

    // Controls, in the order they are created.
    platform::HttpRequest *socket;
    QPushButton *sitebtn;
    QPushButton *getlistedbtn;
    BusyWheel *loaderwheel;
    QComboBox *gameselect;
    QTreeView *mods;
    QPushButton *downloadbtn;
    QPlainTextEdit *phptxt;
    QPushButton *utilsbtn;

    // Handlers.
    void sitebtn_Action();
    void getlistedbtn_Action();
    void utilsbtn_Action();
    void gameselect_Change();
    void socket_PageReceived(const platform::HttpReply &reply);
    void socket_Error(int code);
    void mods_Change();
    void downloadbtn_Action();
    void _aboutbtn_Action();
    void _getlistedmenubtn_Action();
    void _reportbug_Action();
    void _brokenlinkmenu_Action();
    void _badmodmenu_Action();
    void _settingsbtn_Action();

private:
    void Open();
    int selectedRow() const;
    bool isFetching() const;
    void endFetch();
    void dropFetch();
    void postReport(const char *action, bool withLink);

    ModsModel *m_model;
};

} // namespace tarnvale
