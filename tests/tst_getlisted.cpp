// The "Get Listed" window: the banned-address check, the map list, the submission and its
// refusals, Cancel, and how the submission's answer reaches the main window.
#include "app/instance.h"
#include "app/menu.h"
#include "catalogue/mainwindow.h"
#include "platform/httprequest.h"
#include "service/service.h"
#include "submission/getlisted.h"
#include "support/fakeplatform.h"
#include "support/fakeservice.h"
#include "support/testmain.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>
#include <QTreeView>
#include <memory>

using tarnvale::platform::HttpRequest;

namespace {
const QString bannedText = QStringLiteral("Your IP Address has been banned from submitting mods");

// An address on which nothing listens, for requests that cannot connect.
QString deadBaseUrl()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost);
    return QStringLiteral("http://127.0.0.1:%1").arg(server.serverPort());
}

int requestsTo(const FakeService &service, const QByteArray &path)
{
    int count = 0;
    for (const QByteArray &raw : service.requests)
        count += FakeService::requestPath(raw) == path;
    return count;
}
} // namespace

class TestGetListed : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void bannedCheck_data();
    void bannedCheck();
    void failedCheckKeepsTheFormLocked();
    void closingDuringTheBannedMessageStopsTheWalk();
    void mapList_data();
    void mapList();
    void cancelDuringTheCheckStillUnlocks();
    void submitRefusesSilently_data();
    void submitRefusesSilently();
    void submitPostsTheForm_data();
    void submitPostsTheForm();
    void otherRequestsDoNotSwallowTheAnswer_data();
    void otherRequestsDoNotSwallowTheAnswer();
    void failedSubmissionShowsTheCode();
    void cancelThenReopenKeepsEverything();
    void reopenAfterSubmitStartsAfresh();
    void opensOnceFromButtonAndMenu();

private:
    tarnvale::getlisted *open(const QByteArray &banned, const QByteArray &maps);
    void waitForMaps(int rows);
    void fill(const QString &mod, const QString &link, int map);

    std::unique_ptr<FakePlatform> platform;
    std::unique_ptr<FakeService> service;
    QPointer<tarnvale::main> mainWindow;
    QPointer<tarnvale::getlisted> window;
};

void TestGetListed::init()
{
    platform = std::make_unique<FakePlatform>();
    platform->ip = QStringLiteral("10.0.0.2");
    service = std::make_unique<FakeService>();
    service->setReply("/tarnvale/request.php", "Thanks, your mod is waiting for review.");
    mainWindow = tarnvale::instance::main();
}

void TestGetListed::cleanup()
{
    service->release();
    closeAllWindows();
    QVERIFY(!window);
    QVERIFY(!mainWindow);
    service.reset();
    platform.reset();
}

tarnvale::getlisted *TestGetListed::open(const QByteArray &banned, const QByteArray &maps)
{
    service->setReply("/tarnvale/bannedips.txt", banned);
    service->setReply("/tarnvale/maps.txt", maps);
    window = tarnvale::instance::getlisted();
    return window;
}

void TestGetListed::waitForMaps(int rows)
{
    QSignalSpy maps(window->socketmaps, &HttpRequest::pageReceived);
    QVERIFY(maps.wait());
    QCOMPARE(window->mapselect->count(), rows);
}

void TestGetListed::fill(const QString &mod, const QString &link, int map)
{
    window->listmod->setText(mod);
    window->listmodlink->setText(link);
    window->mapselect->setCurrentIndex(map);
}

void TestGetListed::bannedCheck_data()
{
    QTest::addColumn<QString>("ip");
    QTest::addColumn<QByteArray>("list");
    QTest::addColumn<int>("messages");

    QTest::newRow("listed") << "10.0.0.2" << QByteArray("10.0.0.1|10.0.0.2") << 1;
    QTest::newRow("listed twice") << "10.0.0.2" << QByteArray("10.0.0.2|10.0.0.1|10.0.0.2") << 2;
    QTest::newRow("letter case") << "fe80::1" << QByteArray("FE80::1") << 1;
    QTest::newRow("trailing line break") << "10.0.0.2" << QByteArray("10.0.0.1|10.0.0.2\n") << 0;
    QTest::newRow("space before") << "10.0.0.2" << QByteArray("10.0.0.1| 10.0.0.2") << 0;
    QTest::newRow("not listed") << "10.0.0.2" << QByteArray("10.0.0.1|10.0.0.3") << 0;
    QTest::newRow("prefix only") << "10.0.0.2" << QByteArray("10.0.0.22") << 0;
    QTest::newRow("no address, empty entry") << "" << QByteArray("10.0.0.1|") << 1;
    QTest::newRow("no address, empty list") << "" << QByteArray() << 0;
    QTest::newRow("empty list") << "10.0.0.2" << QByteArray() << 0;
}

void TestGetListed::bannedCheck()
{
    QFETCH(QString, ip);
    QFETCH(QByteArray, list);
    QFETCH(int, messages);
    platform->ip = ip;
    // Nothing of the form works while the list is on its way.
    int stateDuringMessage = -1;
    platform->whileModal = [&](const QString &) {
        stateDuringMessage = window->listsubmit->isEnabled();
    };
    open(list, "Alpha");
    QVERIFY(!window->listsubmit->isEnabled());
    QVERIFY(window->listnvm->isEnabled());

    QSignalSpy reply(window->ipsocket, &HttpRequest::pageReceived);
    QVERIFY(reply.wait());
    QCOMPARE(window->ip, ip);
    QCOMPARE(platform->messages, QStringList(QList<QString>(messages, bannedText)));
    QCOMPARE(window->banned, messages > 0);
    if (messages > 0)
        QCOMPARE(stateDuringMessage, 0);

    const QList<QWidget *> form{window->listmod,  window->listmodlink, window->listnick,
                                window->listpc,   window->listsubmit,  window->listtrial,
                                window->listxbox, window->listhalo2,   window->listutility,
                                window->mapselect};
    for (QWidget *control : form)
        QCOMPARE(control->isEnabled(), messages == 0);
    // The map list is asked for in the same step, or never.
    QCOMPARE(window->socketmaps->isActive(), messages == 0);
    if (messages == 0)
        waitForMaps(1);
    QCOMPARE(requestsTo(*service, "/tarnvale/maps.txt"), messages == 0 ? 1 : 0);
}

void TestGetListed::failedCheckKeepsTheFormLocked()
{
    tarnvale::service::setBaseUrl(deadBaseUrl());
    window = tarnvale::instance::getlisted();
    QSignalSpy failed(window->ipsocket, &HttpRequest::error);
    QVERIFY(failed.wait());
    QVERIFY(platform->messages.isEmpty());
    QVERIFY(!window->banned);
    QVERIFY(!window->listmod->isEnabled());
    QVERIFY(!window->listsubmit->isEnabled());
    QVERIFY(!window->mapselect->isEnabled());
    QVERIFY(!window->socketmaps->isActive());
    QVERIFY(window->listnvm->isEnabled());
}

void TestGetListed::closingDuringTheBannedMessageStopsTheWalk()
{
    // The address is listed twice; the user closes the window while the first box is up.
    platform->whileModal = [&](const QString &) { window->close(); };
    open("10.0.0.2|10.0.0.2", "Alpha");
    QSignalSpy reply(window->ipsocket, &HttpRequest::pageReceived);
    QVERIFY(reply.wait());
    QCOMPARE(platform->messages, QStringList{bannedText});
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!window);
    QCOMPARE(requestsTo(*service, "/tarnvale/maps.txt"), 0);
}

void TestGetListed::mapList_data()
{
    QTest::addColumn<QByteArray>("maps");
    QTest::addColumn<QStringList>("rows");

    QTest::newRow("space after a comma")
        << QByteArray("Alpha,Beta, Gamma") << QStringList{"Alpha", "Beta", " Gamma"};
    QTest::newRow("empty pieces") << QByteArray("Alpha,,Beta,")
                                  << QStringList{"Alpha", "", "Beta", ""};
    QTest::newRow("duplicates and line break")
        << QByteArray("Alpha\r\n,Alpha") << QStringList{"Alpha\r\n", "Alpha"};
    QTest::newRow("empty list") << QByteArray() << QStringList{};
}

void TestGetListed::mapList()
{
    QFETCH(QByteArray, maps);
    QFETCH(QStringList, rows);
    open("10.0.0.1", maps);
    waitForMaps(int(rows.size()));
    QStringList shown;
    for (int i = 0; i < window->mapselect->count(); ++i)
        shown << window->mapselect->itemText(i);
    QCOMPARE(shown, rows);
    QCOMPARE(window->mapselect->currentIndex(), -1);
}

void TestGetListed::cancelDuringTheCheckStillUnlocks()
{
    service->hold();
    open("10.0.0.1", "Alpha,Beta");
    QVERIFY(service->waitForRequests(1));
    QTest::mouseClick(window->listnvm, Qt::LeftButton);
    QVERIFY(!window->isVisible());
    service->release();
    waitForMaps(2);
    QVERIFY(window->listsubmit->isEnabled());
    QVERIFY(!window->isVisible());
    QVERIFY(!window->isClosed());
}

void TestGetListed::submitRefusesSilently_data()
{
    QTest::addColumn<int>("map");
    QTest::addColumn<QString>("mod");
    QTest::addColumn<QString>("link");

    QTest::newRow("no map") << -1 << "My Mod"
                            << "http://www.example.com/m.zip";
    QTest::newRow("no mod name") << 0 << ""
                                 << "http://www.example.com/m.zip";
    QTest::newRow("no link") << 0 << "My Mod"
                             << "";
}

void TestGetListed::submitRefusesSilently()
{
    QFETCH(int, map);
    QFETCH(QString, mod);
    QFETCH(QString, link);
    open("10.0.0.1", "Alpha,Beta");
    waitForMaps(2);
    fill(mod, link, map);
    window->listnick->setText(QStringLiteral("Tarn"));
    QTest::mouseClick(window->listsubmit, Qt::LeftButton);

    QVERIFY(window->isVisible());
    QVERIFY(!window->isClosed());
    QCOMPARE(window->listmod->text(), mod);
    QCOMPARE(window->listmodlink->text(), link);
    QCOMPARE(window->mapselect->currentIndex(), map);
    QVERIFY(platform->messages.isEmpty());
    QCOMPARE(platform->beeps, 0);

    // Completed, the next press sends: the request the service then sees is the first
    // submission it ever got, so the refused press sent nothing.
    fill(QStringLiteral("My Mod"), QStringLiteral("http://www.example.com/m.zip"), 1);
    QTest::mouseClick(window->listsubmit, Qt::LeftButton);
    QVERIFY(service->waitForRequests(3));
    QCOMPARE(requestsTo(*service, "/tarnvale/request.php"), 1);
    QVERIFY(FakeService::requestBody(service->requests.last()).startsWith("modname=My+Mod&"));
}

void TestGetListed::submitPostsTheForm_data()
{
    QTest::addColumn<QString>("mod");
    QTest::addColumn<QString>("link");
    QTest::addColumn<QString>("maker");
    QTest::addColumn<bool>("ticked");
    QTest::addColumn<int>("map");
    QTest::addColumn<QByteArray>("body");

    QTest::newRow("space as name, disk path, no maker, nothing ticked")
        << " "
        << "C:\\Mods\\My Mod.zip"
        << "" << false << 2
        << QByteArray("modname=+&modlink=C:%5CMods%5CMy+Mod.zip&modmaker=&pc=False&trial=False"
                      "&xbox=False&halo2=False&utility=False&map=+Gamma&version=2.1211"
                      "&action=getlisted");
    QTest::newRow("everything ticked")
        << "Rock & Roll"
        << "http://www.example.com/mods/rock-roll.zip"
        << "Tarn" << true << 0
        << QByteArray("modname=Rock+%26+Roll&modlink=http:%2F%2Fwww.example.com%2Fmods%2Frock"
                      "%2Droll.zip&modmaker=Tarn&pc=True&trial=True&xbox=True&halo2=True"
                      "&utility=True&map=Alpha&version=2.1211&action=getlisted");
}

void TestGetListed::submitPostsTheForm()
{
    QFETCH(QString, mod);
    QFETCH(QString, link);
    QFETCH(QString, maker);
    QFETCH(bool, ticked);
    QFETCH(int, map);
    QFETCH(QByteArray, body);
    open("10.0.0.1", "Alpha,Beta, Gamma");
    waitForMaps(3);
    fill(mod, link, map);
    window->listnick->setText(maker);
    for (QCheckBox *box : {window->listpc, window->listtrial, window->listxbox, window->listhalo2,
                           window->listutility})
        box->setChecked(ticked);
    QTest::mouseClick(window->listsubmit, Qt::LeftButton);
    QVERIFY(window->isClosed());

    QVERIFY(service->waitForRequests(3));
    const QByteArray raw = service->requests.last();
    QVERIFY(raw.startsWith("POST /tarnvale/request.php HTTP/1.0\r\n"));
    QVERIFY(raw.contains("\r\nContent-type: application/x-www-form-urlencoded\r\n"));
    QCOMPARE(FakeService::requestBody(raw), body);

    // The answer lands in the main window; the request object used for it goes.
    QTRY_COMPARE(mainWindow->phptxt->toPlainText(),
                 QStringLiteral("Thanks, your mod is waiting for review."));
    QTRY_COMPARE(mainWindow->findChildren<HttpRequest *>().size(), 1);
}

void TestGetListed::otherRequestsDoNotSwallowTheAnswer_data()
{
    QTest::addColumn<bool>("fetchFirst");
    QTest::newRow("fetch started after the submission") << false;
    QTest::newRow("submission started during a fetch") << true;
}

void TestGetListed::otherRequestsDoNotSwallowTheAnswer()
{
    QFETCH(bool, fetchFirst);
    service->setReply("/tarnvale/pcmods2.txt", "Warthog Race|tarn|Blood Gulch|race.zip");
    open("10.0.0.1", "Alpha");
    waitForMaps(1);
    service->hold();
    auto fetch = [&] { mainWindow->gameselect->setCurrentIndex(2); };
    if (fetchFirst)
        fetch();
    fill(QStringLiteral("My Mod"), QStringLiteral("http://www.example.com/m.zip"), 0);
    QTest::mouseClick(window->listsubmit, Qt::LeftButton);
    if (!fetchFirst)
        fetch();
    QVERIFY(service->waitForRequests(4));
    QVERIFY(!mainWindow->gameselect->isEnabled());
    service->release();

    QTRY_COMPARE(mainWindow->phptxt->toPlainText(),
                 QStringLiteral("Thanks, your mod is waiting for review."));
    QTRY_VERIFY(mainWindow->gameselect->isEnabled());
    QCOMPARE(mainWindow->mods->model()->rowCount(), 1);
    QTRY_COMPARE(mainWindow->findChildren<HttpRequest *>().size(), 1);
}

void TestGetListed::failedSubmissionShowsTheCode()
{
    open("10.0.0.1", "Alpha");
    waitForMaps(1);
    tarnvale::service::setBaseUrl(deadBaseUrl());
    fill(QStringLiteral("My Mod"), QStringLiteral("http://www.example.com/m.zip"), 0);
    QTest::mouseClick(window->listsubmit, Qt::LeftButton);
    QTRY_COMPARE(
        platform->messages,
        QStringList{QStringLiteral("Error: %1").arg(QAbstractSocket::ConnectionRefusedError)});
    QVERIFY(mainWindow->phptxt->toPlainText().isEmpty());
    QTRY_COMPARE(mainWindow->findChildren<HttpRequest *>().size(), 1);
}

void TestGetListed::cancelThenReopenKeepsEverything()
{
    open("10.0.0.1", "Alpha,Beta");
    waitForMaps(2);
    fill(QStringLiteral("My Mod"), QStringLiteral("http://www.example.com/m.zip"), 1);
    window->listnick->setText(QStringLiteral("Tarn"));
    window->listtrial->setChecked(false);
    window->listhalo2->setChecked(true);
    QTest::mouseClick(window->listnvm, Qt::LeftButton);
    QVERIFY(!window->isVisible());
    QVERIFY(!window->isClosed());

    QTest::mouseClick(mainWindow->getlistedbtn, Qt::LeftButton);
    QVERIFY(window);
    QCOMPARE(tarnvale::instance::getlisted(), window.data());
    QVERIFY(window->isVisible());
    QCOMPARE(window->listmod->text(), QStringLiteral("My Mod"));
    QCOMPARE(window->listmodlink->text(), QStringLiteral("http://www.example.com/m.zip"));
    QCOMPARE(window->listnick->text(), QStringLiteral("Tarn"));
    QVERIFY(!window->listtrial->isChecked());
    QVERIFY(window->listhalo2->isChecked());
    QCOMPARE(window->mapselect->count(), 2);
    QCOMPARE(window->mapselect->currentIndex(), 1);
    QVERIFY(window->listsubmit->isEnabled());
    // No new check and no new map list.
    QVERIFY(!window->ipsocket->isActive());
    QVERIFY(!window->socketmaps->isActive());
    QCOMPARE(service->requests.size(), 2);
}

void TestGetListed::reopenAfterSubmitStartsAfresh()
{
    open("10.0.0.1", "Alpha,Beta");
    waitForMaps(2);
    fill(QStringLiteral("My Mod"), QStringLiteral("http://www.example.com/m.zip"), 0);
    window->listpc->setChecked(true);
    QTest::mouseClick(window->listsubmit, Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!window);

    QAction *item = tarnvale::instance::menu()->item(QStringLiteral("getlistedmenubtn"));
    item->trigger();
    window = tarnvale::instance::getlisted();
    QVERIFY(window->isVisible());
    QVERIFY(window->listmod->text().isEmpty());
    QVERIFY(window->listmodlink->text().isEmpty());
    QVERIFY(window->listtrial->isChecked());
    QVERIFY(!window->listpc->isChecked());
    QVERIFY(!window->listsubmit->isEnabled());
    QCOMPARE(window->mapselect->count(), 0);
    waitForMaps(2);
    QCOMPARE(requestsTo(*service, "/tarnvale/bannedips.txt"), 2);
}

void TestGetListed::opensOnceFromButtonAndMenu()
{
    open("10.0.0.1", "Alpha");
    QTest::mouseClick(mainWindow->getlistedbtn, Qt::LeftButton);
    tarnvale::instance::menu()->item(QStringLiteral("getlistedmenubtn"))->trigger();
    QCOMPARE(tarnvale::instance::getlisted(), window.data());
    QCOMPARE(countWindows<tarnvale::getlisted>(), 1);
    waitForMaps(1);
    QCOMPARE(requestsTo(*service, "/tarnvale/bannedips.txt"), 1);
}

TARNVALE_TEST_MAIN(TestGetListed)
#include "tst_getlisted.moc"
