#include "catalogue/mainwindow.h"

#include "about/about.h"
#include "app/application.h"
#include "app/controls.h"
#include "app/instance.h"
#include "app/menu.h"
#include "catalogue/busywheel.h"
#include "catalogue/modsmodel.h"
#include "downloads/dlwindow.h"
#include "downloads/utilitieswin.h"
#include "platform/platform.h"
#include "service/service.h"
#include "settings/settingsstore.h"
#include "settings/settingswin.h"
#include "submission/getlisted.h"

#include <QAction>
#include <QComboBox>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStringDecoder>
#include <QTreeView>

namespace tarnvale {

using controls::button;
using controls::place;

namespace {

// Rows of `gameselect` and the list each fetches; the group headings fetch nothing.
const char *listPathForRow(int row)
{
    switch (row) {
    case 1:
        return service::trialListPath;
    case 2:
        return service::pcListPath;
    case 4:
        return service::xboxListPath;
    case 5:
        return service::xbox2ListPath;
    }
    return nullptr;
}

} // namespace

main::main(QWidget *parent) : Window<QMainWindow>(parent)
{
    // Layout.
    setObjectName(QStringLiteral("main"));
    setWindowTitle(QStringLiteral("Tarnvale V2"));
    setMenuBar(instance::menu());
    auto *content = new QWidget(this);
    content->setFixedSize(475, 325);
    setCentralWidget(content);

    // Controls, in the order of creation.
    socket = new platform::HttpRequest(this);
    socket->setObjectName(QStringLiteral("socket"));
    connect(socket, &platform::HttpRequest::pageReceived, this, &main::socket_PageReceived);
    connect(socket, &platform::HttpRequest::error, this, &main::socket_Error);

    sitebtn = button(content, "sitebtn", QStringLiteral("Our Site"), 93, 302, 60, 20);
    connect(sitebtn, &QPushButton::clicked, this, &main::sitebtn_Action);

    getlistedbtn = button(content, "getlistedbtn", QStringLiteral("Get Listed"), 157, 302, 80, 20);
    connect(getlistedbtn, &QPushButton::clicked, this, &main::getlistedbtn_Action);

    loaderwheel = place<BusyWheel>(content, "loaderwheel", 4, 14, 16, 16);
    loaderwheel->hide();

    gameselect = place<QComboBox>(content, "gameselect", 300, 41, 80, 20);
    gameselect->addItems({QStringLiteral("--PC--"), QStringLiteral("Trial"), QStringLiteral("Full"),
                          QStringLiteral("--X-Box--"), QStringLiteral("Halo"),
                          QStringLiteral("Halo 2")});
    gameselect->setCurrentIndex(0);
    connect(gameselect, &QComboBox::currentIndexChanged, this, &main::gameselect_Change);

    mods = place<QTreeView>(content, "mods", 32, 73, 414, 201);
    m_model = new ModsModel(&items, this);
    mods->setModel(m_model);
    mods->setRootIsDecorated(false);
    mods->setItemsExpandable(false);
    mods->setUniformRowHeights(true); // rows are laid out lazily, so a huge list stays cheap
    mods->setSelectionMode(QAbstractItemView::SingleSelection);
    mods->setSelectionBehavior(QAbstractItemView::SelectRows);
    mods->setEditTriggers(QAbstractItemView::NoEditTriggers);
    mods->setDragEnabled(false);
    mods->setSortingEnabled(false);
    mods->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mods->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    mods->setAttribute(Qt::WA_MacShowFocusRect, false);
    mods->header()->setSectionResizeMode(QHeaderView::Stretch);
    mods->header()->setSectionsMovable(false);
    mods->header()->setSectionsClickable(false);
    mods->header()->setSortIndicatorShown(false);
    connect(mods->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &main::mods_Change);

    downloadbtn = button(content, "downloadbtn", QStringLiteral("Download"), 238, 302, 80, 20);
    downloadbtn->setEnabled(false);
    connect(downloadbtn, &QPushButton::clicked, this, &main::downloadbtn_Action);

    phptxt = place<QPlainTextEdit>(content, "phptxt", 105, 9, 183, 52);
    phptxt->setReadOnly(true);
    phptxt->setToolTip(QStringLiteral("PHP Response"));
    phptxt->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    phptxt->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    phptxt->setLineWrapMode(QPlainTextEdit::WidgetWidth);

    utilsbtn = button(content, "utilsbtn", QStringLiteral("Utilities"), 13, 302, 80, 20);
    connect(utilsbtn, &QPushButton::clicked, this, &main::utilsbtn_Action);

    // Menu handlers, registered under the items' names.
    const std::pair<const char *, void (main::*)()> handlers[] = {
        {"aboutbtn", &main::_aboutbtn_Action},
        {"getlistedmenubtn", &main::_getlistedmenubtn_Action},
        {"reportbug", &main::_reportbug_Action},
        {"brokenlinkmenu", &main::_brokenlinkmenu_Action},
        {"badmodmenu", &main::_badmodmenu_Action},
        {"settingsbtn", &main::_settingsbtn_Action},
    };
    for (const auto &[name, handler] : handlers)
        connect(instance::menu()->item(QString::fromLatin1(name)), &QAction::triggered, this,
                handler);

    setFixedSize(sizeHint());
    Open();
}

// `items` goes before the widgets do, and the list may still be laid out while they go.
main::~main() { m_model->reset(nullptr); }

void main::Open()
{
    App()->rawdata = settings::loadIntoApp();
}

QAction *main::brokenlinkmenu() const
{
    return instance::menu()->item(QStringLiteral("brokenlinkmenu"));
}

int main::selectedRow() const
{
    const QModelIndexList rows = mods->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

// A list fetch is in flight exactly while the popup is disabled.
bool main::isFetching() const
{
    return !gameselect->isEnabled();
}

// The list has arrived: the wheel goes and another edition can be picked.
void main::endFetch()
{
    loaderwheel->hide();
    gameselect->setEnabled(true);
}

// A fetch failed or was abandoned: leave the fetching state with the list empty. The popup
// goes back to the heading of the edition's group (which fetches nothing), so that the same
// edition can be picked again to fetch the list that did not come.
void main::dropFetch()
{
    endFetch();
    const QSignalBlocker quiet(gameselect);
    gameselect->setCurrentIndex(gameselect->currentIndex() < 3 ? 0 : 3);
}

void main::sitebtn_Action()
{
    platform::browser().openUrl(service::baseUrl());
}

void main::getlistedbtn_Action()
{
    instance::getlisted()->show();
}

void main::utilsbtn_Action()
{
    instance::utilitieswin()->show();
}

void main::gameselect_Change()
{
    const char *path = listPathForRow(gameselect->currentIndex());
    if (!path)
        return;
    socket->get(service::url(QString::fromLatin1(path)));
    loaderwheel->show();
    gameselect->setEnabled(false);
    downloadbtn->setEnabled(false);
    // Rows go; `items` keeps the old entries until the new list arrives, unread meanwhile.
    m_model->reset(nullptr);
    mods_Change();
}

void main::socket_PageReceived(const platform::HttpReply &reply)
{
    if (reply.url.compare(service::requestScriptUrl(), Qt::CaseInsensitive) == 0) {
        showReply(reply.body);
        return;
    }
    items = ModEntries(reply.body);
    m_model->reset(&items);
    endFetch();
    downloadbtn->setEnabled(false);
    mods_Change();
}

// The body as received: UTF-8 when it is valid UTF-8, otherwise read byte for byte as
// Latin-1, so that a reply in a single-byte encoding is not turned into replacement marks.
void main::showReply(const QByteArray &body)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(body);
    if (utf8.hasError())
        text = QString::fromLatin1(body);
    phptxt->setPlainText(text);
}

void main::showError(int code)
{
    platform::dialogs().message(this, QStringLiteral("Error: %1").arg(code));
}

void main::socket_Error(int code)
{
    const bool wasFetching = isFetching();
    showError(code);
    if (wasFetching)
        dropFetch();
}

void main::mods_Change()
{
    const int row = selectedRow();
    if (row < 0) {
        downloadbtn->setEnabled(false);
        brokenlinkmenu()->setEnabled(false);
        return;
    }
    modauthor = items.field(row, 2);
    modfile = items.field(row, 4);
    downloadbtn->setEnabled(true);
    brokenlinkmenu()->setEnabled(true);
}

void main::downloadbtn_Action()
{
    if (selectedRow() < 0) {
        platform::sound().beep();
        return;
    }
    if (App()->medl) {
        // Made visible first (created when none is open), then the GET and the file name; the
        // window keeps this author and file name for the whole transfer.
        dlwindow *window = instance::dlwindow();
        window->show();
        window->raise();
        window->start(modauthor, modfile);
        return;
    }
    platform::browser().openUrl(service::downloadUrl(modauthor, modfile));
}

void main::postToRequestScript(const service::Form &form)
{
    // The post takes over `socket`; a list fetch it abandons would otherwise never end.
    if (isFetching())
        dropFetch();
    socket->setFormData(form);
    socket->post(service::requestScriptUrl());
}

void main::postReport(const char *action, bool withLink)
{
    const int row = selectedRow();
    if (row < 0) {
        platform::sound().beep();
        return;
    }
    service::Form form{{QStringLiteral("action"), QString::fromLatin1(action)},
                       {QStringLiteral("version"), App()->cversion},
                       {QStringLiteral("mod"), items.field(row, 1)}};
    if (withLink)
        form.append({QStringLiteral("link"), service::uploadAddress(modauthor, modfile)});
    postToRequestScript(form);
}

void main::_brokenlinkmenu_Action()
{
    postReport("brokenlink", true);
}

void main::_badmodmenu_Action()
{
    postReport("badmod", false);
}

void main::_reportbug_Action()
{
    platform::browser().openUrl(service::url(QString::fromLatin1(service::bugReportPath)));
}

void main::_aboutbtn_Action()
{
    instance::about()->show();
}

void main::_getlistedmenubtn_Action()
{
    instance::getlisted()->show();
}

void main::_settingsbtn_Action()
{
    instance::settingswin()->show();
}

} // namespace tarnvale
