// The main window: start-up state, edition fetches, the list, replies of the request script,
// failures, and the hand-off of a download to the browser.
#include "about/about.h"
#include "app/application.h"
#include "app/instance.h"
#include "catalogue/mainwindow.h"
#include "downloads/dlwindow.h"
#include "service/service.h"
#include "support/fakeplatform.h"
#include "support/fakeservice.h"
#include "support/testmain.h"

#include <QAction>
#include <QComboBox>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeView>
#include <memory>

using Rows = QList<QStringList>;

class TestCatalogue : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void startsIdleWithTheLayout();
    void menuItemsAndShortcuts_data();
    void menuItemsAndShortcuts();
    void editionFetchesItsList_data();
    void editionFetchesItsList();
    void fetchStates();
    void modList_data();
    void modList();
    void groupHeadingsDoNothing();
    void requestScriptReplyLeavesTheListAlone();
    void failedFetchShowsTheCodeThenFreesThePopup();
    void downloadHandsTheLowerCasedAddressToTheBrowser();
    void removingTheSelectionKeepsTheMod();
    void siteButtonOpensTheHomePage();
    void shortcutsReachTheMenuFromAnyControl();

private:
    template <class T> T *control(const char *name)
    {
        auto *found = window->findChild<T *>(QString::fromLatin1(name));
        if (!found)
            qFatal("no control %s", name);
        return found;
    }
    Rows rows();
    void pick(int edition);
    void showList(const QByteArray &body);
    void select(int row);

    std::unique_ptr<FakePlatform> platform;
    std::unique_ptr<FakeService> service;
    QPointer<tarnvale::main> window;
};

void TestCatalogue::init()
{
    platform = std::make_unique<FakePlatform>();
    service = std::make_unique<FakeService>();
    window = tarnvale::instance::main();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    tarnvale::App()->medl = false; // the browser takes downloads in these tests
}

void TestCatalogue::cleanup()
{
    closeAllWindows();
    QVERIFY(!window);
    service.reset();
    platform.reset();
}

Rows TestCatalogue::rows()
{
    auto *mods = control<QTreeView>("mods");
    Rows out;
    for (int r = 0; r < mods->model()->rowCount(); ++r) {
        QStringList row;
        for (int c = 0; c < 3; ++c)
            row << mods->model()->index(r, c).data().toString();
        out << row;
    }
    return out;
}

void TestCatalogue::pick(int edition)
{
    control<QComboBox>("gameselect")->setCurrentIndex(edition);
}

void TestCatalogue::showList(const QByteArray &body)
{
    service->setReply("/tarnvale/pcmods2.txt", body);
    pick(2);
    QVERIFY(QTest::qWaitFor([&] { return control<QComboBox>("gameselect")->isEnabled(); }));
}

void TestCatalogue::select(int row)
{
    auto *mods = control<QTreeView>("mods");
    const QRect rect = mods->visualRect(mods->model()->index(row, 0));
    QTest::mouseClick(mods->viewport(), Qt::LeftButton, {}, rect.center());
}

void TestCatalogue::startsIdleWithTheLayout()
{
    QCOMPARE(window->windowTitle(), QStringLiteral("Tarnvale V2"));
    QCOMPARE(window->centralWidget()->size(), QSize(475, 325));
    QCOMPARE(window->minimumSize(), window->maximumSize()); // not resizable
    auto *gameselect = control<QComboBox>("gameselect");
    QCOMPARE(gameselect->currentText(), QStringLiteral("--PC--"));
    QCOMPARE(gameselect->count(), 6);
    QVERIFY(gameselect->isEnabled());
    QVERIFY(rows().isEmpty());
    QVERIFY(!control<QPushButton>("downloadbtn")->isEnabled());
    QVERIFY(control<QWidget>("loaderwheel")->isHidden());
    QVERIFY(control<QPlainTextEdit>("phptxt")->toPlainText().isEmpty());
    QCOMPARE(control<QPlainTextEdit>("phptxt")->toolTip(), QStringLiteral("PHP Response"));
    auto *mods = control<QTreeView>("mods");
    QCOMPARE(mods->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Mod Name"));
    QCOMPARE(mods->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Author"));
    QCOMPARE(mods->model()->headerData(2, Qt::Horizontal).toString(), QStringLiteral("Map"));
    QCOMPARE(mods->geometry(), QRect(32, 73, 414, 201));
    QCOMPARE(control<QPushButton>("sitebtn")->geometry(), QRect(93, 302, 60, 20));
    QCOMPARE(control<QPushButton>("utilsbtn")->text(), QStringLiteral("Utilities"));
    // The settings were loaded into App from a first-start file.
    QCOMPARE(tarnvale::App()->rawdata, QStringLiteral("Mod Downloads;true;true"));
    QTest::qWait(50);
    QVERIFY(service->requests.isEmpty());
}

void TestCatalogue::menuItemsAndShortcuts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("shortcut");
    QTest::newRow("about") << "aboutbtn"
                           << "&About..."
                           << "Ctrl+A";
    QTest::newRow("get listed") << "getlistedmenubtn"
                                << "G&et Listed"
                                << "Ctrl+E";
    QTest::newRow("bug") << "reportbug"
                         << "Report a &Bug"
                         << "Ctrl+B";
    QTest::newRow("quit") << "FileQuit"
                          << "Quit"
                          << "Ctrl+Q";
    QTest::newRow("settings") << "settingsbtn"
                              << "&Settings"
                              << "Ctrl+S";
    QTest::newRow("broken link") << "brokenlinkmenu"
                                 << "Broken &Link"
                                 << "Ctrl+L";
    QTest::newRow("bad mod") << "badmodmenu"
                             << "B&roken/Bad Mod"
                             << "Ctrl+R";
}

void TestCatalogue::menuItemsAndShortcuts()
{
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(QString, shortcut);
    auto *item = window->menuBar()->findChild<QAction *>(name);
    QVERIFY(item);
    QCOMPARE(item->text(), caption);
    QCOMPARE(item->shortcut(), QKeySequence(shortcut));
    const QList<QAction *> menus = window->menuBar()->actions();
    QCOMPARE(menus.size(), 2);
    QCOMPARE(menus[0]->text(), QStringLiteral("Options"));
    QCOMPARE(menus[1]->text(), QStringLiteral("Report"));
}

void TestCatalogue::editionFetchesItsList_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<QByteArray>("path");
    QTest::newRow("Trial") << 1 << QByteArray("/tarnvale/trialmods2.txt");
    QTest::newRow("Full") << 2 << QByteArray("/tarnvale/pcmods2.txt");
    QTest::newRow("Halo") << 4 << QByteArray("/tarnvale/xboxmods2.txt");
    QTest::newRow("Halo 2") << 5 << QByteArray("/tarnvale/xbox2mods2.txt");
}

void TestCatalogue::editionFetchesItsList()
{
    QFETCH(int, row);
    QFETCH(QByteArray, path);
    service->setReply(path, "A|B|C|D");
    pick(row);
    QVERIFY(service->waitForRequests(1));
    QCOMPARE(FakeService::requestPath(service->requests[0]), path);
    QVERIFY(QTest::qWaitFor([&] { return rows().size() == 1; }));
    QCOMPARE(control<QComboBox>("gameselect")->currentIndex(), row); // still shows the edition
}

void TestCatalogue::fetchStates()
{
    showList("A|B|C|D;E|F|G|H");
    select(1);
    QVERIFY(control<QPushButton>("downloadbtn")->isEnabled());

    // Fetching: wheel, popup locked, list empty, no download.
    service->hold();
    service->setReply("/tarnvale/xboxmods2.txt", "X|Y|Z|W");
    pick(4);
    QVERIFY(control<QWidget>("loaderwheel")->isVisible());
    QVERIFY(!control<QComboBox>("gameselect")->isEnabled());
    QVERIFY(rows().isEmpty());
    QVERIFY(!control<QPushButton>("downloadbtn")->isEnabled());
    QVERIFY(!window->brokenlinkmenu()->isEnabled());

    // Listed: wheel gone, popup free, nothing selected.
    service->release();
    QVERIFY(QTest::qWaitFor([&] { return !rows().isEmpty(); }));
    QCOMPARE(rows(), (Rows{{"X", "Y", "Z"}}));
    QVERIFY(control<QWidget>("loaderwheel")->isHidden());
    QVERIFY(control<QComboBox>("gameselect")->isEnabled());
    QVERIFY(!control<QPushButton>("downloadbtn")->isEnabled());
    QVERIFY(control<QTreeView>("mods")->selectionModel()->selectedRows().isEmpty());
}

void TestCatalogue::modList_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<Rows>("expected");
    QTest::addColumn<QStringList>("items");
    QTest::newRow("two entries") << QByteArray("A|B|C|D;E|F|G|H")
                                 << Rows{{"A", "B", "C"}, {"E", "F", "G"}}
                                 << QStringList{"A|B|C|D", "E|F|G|H"};
    QTest::newRow("final separator")
        << QByteArray("A|B|C|D;") << Rows{{"A", "B", "C"}, {"", "", ""}}
        << QStringList{"A|B|C|D", ""};
    QTest::newRow("missing fields")
        << QByteArray("A|B") << Rows{{"A", "B", ""}} << QStringList{"A|B"};
    QTest::newRow("surplus fields")
        << QByteArray("A|B|C|D|E|F") << Rows{{"A", "B", "C"}} << QStringList{"A|B|C|D|E|F"};
    QTest::newRow("line break after separator")
        << QByteArray("A|B|C|D;\r\nE|F|G|H") << Rows{{"A", "B", "C"}, {"\r\nE", "F", "G"}}
        << QStringList{"A|B|C|D", "\r\nE|F|G|H"};
    QTest::newRow("UTF-8") << QByteArray("Caf\xc3\xa9|Zo\xc3\xab|M|f")
                           << Rows{{"Caf\u00e9", "Zo\u00eb", "M"}}
                           << QStringList{"Caf\u00e9|Zo\u00eb|M|f"};
    QTest::newRow("Latin-1 field") << QByteArray("Caf\xe9|B|C|D") << Rows{{"Caf\u00e9", "B", "C"}}
                                   << QStringList{"Caf\u00e9|B|C|D"};
    QTest::newRow("error page is a list too")
        << QByteArray("<html>404</html>") << Rows{{"<html>404</html>", "", ""}}
        << QStringList{"<html>404</html>"};
    QTest::newRow("empty body is an empty list") << QByteArray() << Rows{} << QStringList{};
}

void TestCatalogue::modList()
{
    QFETCH(QByteArray, body);
    QFETCH(Rows, expected);
    QFETCH(QStringList, items);
    showList(body);
    QCOMPARE(rows(), expected);
    QStringList entries;
    for (qsizetype i = 0; i < window->items.size(); ++i)
        entries << window->items.entry(i);
    QCOMPARE(entries, items);
}

void TestCatalogue::groupHeadingsDoNothing()
{
    showList("A|B|C|D;E|F|G|H");
    select(1);
    pick(3); // "--X-Box--"
    pick(0); // "--PC--"
    QTest::qWait(50);
    QCOMPARE(service->requests.size(), 1);
    QCOMPARE(rows().size(), 2);
    QCOMPARE(control<QTreeView>("mods")->selectionModel()->selectedRows().value(0).row(), 1);
    QVERIFY(control<QPushButton>("downloadbtn")->isEnabled());
}

void TestCatalogue::requestScriptReplyLeavesTheListAlone()
{
    showList("A|B|C|D;E|F|G|H");
    select(0);
    service->setReply("/tarnvale/request.php", "Report on Mod A received. Caf\xc3\xa9");
    window->postToRequestScript({{"action", "badmod"}});
    auto *phptxt = control<QPlainTextEdit>("phptxt");
    QVERIFY(QTest::qWaitFor([&] { return !phptxt->toPlainText().isEmpty(); }));
    QCOMPARE(phptxt->toPlainText(), QStringLiteral("Report on Mod A received. Caf\u00e9"));
    QCOMPARE(rows().size(), 2);
    QCOMPARE(control<QTreeView>("mods")->selectionModel()->selectedRows().value(0).row(), 0);
    QVERIFY(control<QPushButton>("downloadbtn")->isEnabled());

    service->setReply("/tarnvale/request.php", "Second");
    window->postToRequestScript({{"action", "badmod"}});
    QVERIFY(QTest::qWaitFor([&] { return phptxt->toPlainText() == QStringLiteral("Second"); }));
}

void TestCatalogue::failedFetchShowsTheCodeThenFreesThePopup()
{
    QTcpServer closed;
    QVERIFY(closed.listen(QHostAddress::LocalHost));
    tarnvale::service::setBaseUrl(QStringLiteral("http://127.0.0.1:%1").arg(closed.serverPort()));
    closed.close();

    bool lockedWhileShown = false;
    platform->whileModal = [&](const QString &) {
        lockedWhileShown = !control<QComboBox>("gameselect")->isEnabled();
    };
    pick(1);
    QVERIFY(QTest::qWaitFor([&] { return !platform->messages.isEmpty(); }));
    QCOMPARE(
        platform->messages,
        QStringList{QStringLiteral("Error: %1").arg(int(QAbstractSocket::ConnectionRefusedError))});
    QVERIFY(lockedWhileShown);
    QVERIFY(control<QComboBox>("gameselect")->isEnabled());
    QVERIFY(control<QWidget>("loaderwheel")->isHidden());
    QVERIFY(rows().isEmpty());
    QVERIFY(!control<QPushButton>("downloadbtn")->isEnabled());

    // The same edition can be picked again once the service is back.
    QCOMPARE(control<QComboBox>("gameselect")->currentText(), QStringLiteral("--PC--"));
    tarnvale::service::setBaseUrl(service->baseUrl());
    service->setReply("/tarnvale/trialmods2.txt", "A|B|C|D");
    pick(1);
    QVERIFY(QTest::qWaitFor([&] { return rows().size() == 1; }));
}

void TestCatalogue::downloadHandsTheLowerCasedAddressToTheBrowser()
{
    QPushButton *download = control<QPushButton>("downloadbtn");
    showList("Mod A|Alice|Map One|ModA.ZIP;Mod B|Bob|Map Two|modb.zip;");
    select(0);
    QCOMPARE(window->modauthor, QStringLiteral("Alice"));
    QCOMPARE(window->modfile, QStringLiteral("ModA.ZIP"));
    QTest::mouseClick(download, Qt::LeftButton);
    QCOMPARE(platform->opened,
             QStringList{service->baseUrl().toLower() + "/tarnvale/uploads/alice/moda.zip"});

    // The empty entry after the final ";" still downloads, to an address with empty segments.
    select(2);
    QVERIFY(download->isEnabled());
    QTest::mouseClick(download, Qt::LeftButton);
    QCOMPARE(platform->opened.value(1), service->baseUrl() + "/tarnvale/uploads//");
    QCOMPARE(service->requests.size(), 1); // the browser fetches, not the program
    QCOMPARE(countWindows<tarnvale::dlwindow>(), 0);
}

void TestCatalogue::removingTheSelectionKeepsTheMod()
{
    showList("Mod A|Alice|Map One|ModA.ZIP");
    select(0);
    QVERIFY(window->brokenlinkmenu()->isEnabled());
    auto *mods = control<QTreeView>("mods");
    mods->selectionModel()->clearSelection();
    QVERIFY(!control<QPushButton>("downloadbtn")->isEnabled());
    QVERIFY(!window->brokenlinkmenu()->isEnabled());
    QCOMPARE(window->modauthor, QStringLiteral("Alice"));
    QCOMPARE(window->modfile, QStringLiteral("ModA.ZIP"));

    window->downloadbtn_Action(); // no selection: the beep, nothing opened
    QCOMPARE(platform->beeps, 1);
    QVERIFY(platform->opened.isEmpty());
}

void TestCatalogue::siteButtonOpensTheHomePage()
{
    // Works while a list is loading too.
    service->hold();
    pick(1);
    QTest::mouseClick(control<QPushButton>("sitebtn"), Qt::LeftButton);
    QCOMPARE(platform->opened, QStringList{service->baseUrl()});
    service->release();
}

void TestCatalogue::shortcutsReachTheMenuFromAnyControl()
{
    QVERIFY(QTest::qWaitForWindowActive(window));
    for (const char *name : {"phptxt", "mods"}) {
        QWidget *focus = control<QWidget>(name);
        focus->setFocus();
        // Ctrl+A is the About window's, not "select all" of the focused control.
        QTest::keyClick(focus, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(focus, Qt::Key_B, Qt::ControlModifier);
    }
    QCOMPARE(
        platform->opened,
        QStringList(2, service->baseUrl() + "/tarnvale/request.php?action=bugreport&version=html"));
    QCOMPARE(countWindows<tarnvale::about>(), 1);
}

TARNVALE_TEST_MAIN(TestCatalogue)
#include "tst_catalogue.moc"
