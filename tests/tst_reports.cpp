// Problem reports: the forms as they reach the service, the beep without a
// selection, a post that abandons a list fetch, and the replies in `phptxt`.
#include "app/application.h"
#include "app/instance.h"
#include "app/menu.h"
#include "catalogue/busywheel.h"
#include "catalogue/mainwindow.h"
#include "service/service.h"
#include "support/fakeplatform.h"
#include "support/fakeservice.h"
#include "support/testmain.h"

#include <QAction>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTreeView>
#include <memory>

using namespace tarnvale;

namespace {
const QByteArray listPath = "/tarnvale/pcmods2.txt";
const QByteArray scriptPath = "/tarnvale/request.php";
const QByteArray list = "Mod A|Alice|Map One|ModA.ZIP;|Nobody|Map|x-y_z (1).zip";

QAction *item(const char *name)
{
    return instance::menu()->item(QString::fromLatin1(name));
}

QByteArray header(const QByteArray &raw, const QByteArray &name)
{
    for (const QByteArray &line : raw.left(raw.indexOf("\r\n\r\n")).split('\n')) {
        const QByteArray l = line.trimmed();
        if (l.toLower().startsWith(name.toLower() + ':'))
            return l.mid(name.size() + 1).trimmed();
    }
    return {};
}
} // namespace

class TestReports : public QObject {
    Q_OBJECT

    std::unique_ptr<FakePlatform> platform;
    std::unique_ptr<FakeService> service;
    std::unique_ptr<tarnvale::main> window;

    void fetchList()
    {
        window->gameselect->setCurrentIndex(2);
        QTRY_VERIFY(window->gameselect->isEnabled());
        QCOMPARE(window->mods->model()->rowCount(), 2);
    }
    void select(int row) { window->mods->setCurrentIndex(window->mods->model()->index(row, 0)); }

private slots:
    void init()
    {
        platform = std::make_unique<FakePlatform>();
        service = std::make_unique<FakeService>();
        service->setReply(listPath, list);
        service->setReply(scriptPath, "Thanks, noted.");
        window.reset(instance::main());
    }
    void cleanup()
    {
        window.reset();
        service.reset();
        platform.reset();
    }

    // The posted request, byte for byte: the line, the form's header fields and the fields.
    void postedFields_data()
    {
        QTest::addColumn<QByteArray>("menuItem");
        QTest::addColumn<int>("row");
        QTest::addColumn<QByteArrayList>("fields"); // encoded, in the order put into the form
        const QByteArray link = "http:%2F%2F127.0.0.1:PORT%2Ftarnvale%2Fuploads%2F";
        QTest::newRow("broken link")
            << QByteArray("brokenlinkmenu") << 0
            << QByteArrayList{"action=brokenlink", "version=2.1211", "mod=Mod+A",
                              "link=" + link + "Alice%2FModA.ZIP"};
        QTest::newRow("bad mod: no link")
            << QByteArray("badmodmenu") << 0
            << QByteArrayList{"action=badmod", "version=2.1211", "mod=Mod+A"};
        QTest::newRow("empty mod name, escaped link")
            << QByteArray("brokenlinkmenu") << 1
            << QByteArrayList{"action=brokenlink", "version=2.1211",
                              "mod=", "link=" + link + "Nobody%2Fx%2Dy%5Fz+%281%29.zip"};
    }
    void postedFields()
    {
        QFETCH(QByteArray, menuItem);
        QFETCH(int, row);
        QFETCH(QByteArrayList, fields);
        fetchList();
        select(row);
        item(menuItem.constData())->trigger();
        QVERIFY(service->waitForRequests(2));
        const QByteArray raw = service->requests[1];
        QVERIFY2(raw.startsWith("POST /tarnvale/request.php HTTP/1.0\r\n"), raw.constData());
        QCOMPARE(header(raw, "Content-type"), QByteArray("application/x-www-form-urlencoded"));
        const QByteArray body = FakeService::requestBody(raw);
        QCOMPARE(header(raw, "Content-length"), QByteArray::number(body.size()));
        const QByteArray port = QByteArray::number(QUrl(service->baseUrl()).port());
        QByteArrayList expected;
        for (const QByteArray &f : fields)
            expected.append(QByteArray(f).replace("PORT", port));
        // The program relies on no order on the wire; the pairs must be exactly these.
        QByteArrayList sent = body.split('&');
        std::sort(sent.begin(), sent.end());
        std::sort(expected.begin(), expected.end());
        QCOMPARE(sent, expected);
        QTRY_COMPARE(window->phptxt->toPlainText(), QStringLiteral("Thanks, noted."));
    }

    void beepWithoutSelection_data()
    {
        QTest::addColumn<QByteArray>("menuItem");
        QTest::newRow("broken link") << QByteArray("brokenlinkmenu");
        QTest::newRow("bad mod") << QByteArray("badmodmenu");
    }
    void beepWithoutSelection()
    {
        QFETCH(QByteArray, menuItem);
        fetchList();
        window->phptxt->setPlainText(QStringLiteral("earlier reply"));
        // The handler guards itself: call it as the toolkit would even if the item is enabled.
        item(menuItem.constData())->setEnabled(true);
        item(menuItem.constData())->trigger();
        QTest::qWait(100);
        QCOMPARE(platform->beeps, 1);
        QCOMPARE(service->requests.size(), 1); // the list only
        QCOMPARE(window->phptxt->toPlainText(), QStringLiteral("earlier reply"));
    }

    // A post on `socket` while a list is being fetched abandons the fetch; the window leaves the
    // fetching state (wheel hidden, popup enabled and back on its group heading) with an empty
    // list, the reply is shown, and the list never arrives.
    void postAbandonsListFetch()
    {
        fetchList();
        select(0);
        service->hold();
        window->gameselect->setCurrentIndex(4);
        QVERIFY(service->waitForRequests(2));
        QVERIFY(!window->gameselect->isEnabled());
        QVERIFY(window->loaderwheel->isVisible());
        QCOMPARE(window->mods->model()->rowCount(), 0);
        // The list's rows went with the fetch, and with them the selection: a report item only
        // beeps then. A post through the request script is what can abandon the fetch.
        item("badmodmenu")->trigger();
        QCOMPARE(platform->beeps, 1);
        window->postToRequestScript({{QStringLiteral("action"), QStringLiteral("badmod")},
                                     {QStringLiteral("version"), App()->cversion},
                                     {QStringLiteral("mod"), QStringLiteral("Mod A")}});
        QVERIFY(window->gameselect->isEnabled());
        QCOMPARE(window->gameselect->currentText(), QStringLiteral("--X-Box--")); // its group
        QVERIFY(!window->loaderwheel->isVisible());
        QSignalSpy replies(window->socket, &platform::HttpRequest::pageReceived);
        QVERIFY(service->waitForRequests(3));
        service->release();
        QTRY_COMPARE(window->phptxt->toPlainText(), QStringLiteral("Thanks, noted."));
        QTest::qWait(100);
        QCOMPARE(replies.size(), 1); // the list's reply never came
        QCOMPARE(window->mods->model()->rowCount(), 0);
        QVERIFY(!window->downloadbtn->isEnabled());
        QCOMPARE(platform->messages, QStringList());
        // The same edition can be fetched again.
        window->gameselect->setCurrentIndex(4);
        QTRY_VERIFY(window->gameselect->isEnabled());
        QCOMPARE(FakeService::requestPath(service->requests.last()),
                 QByteArray("/tarnvale/xboxmods2.txt"));
    }

    void twoRepliesLeaveTheSecond_data()
    {
        QTest::addColumn<bool>("overlapping");
        QTest::newRow("one after the other") << false;
        QTest::newRow("second posted before the first reply") << true;
    }
    void twoRepliesLeaveTheSecond()
    {
        QFETCH(bool, overlapping);
        fetchList();
        select(0);
        QSignalSpy replies(window->socket, &platform::HttpRequest::pageReceived);
        if (overlapping) {
            service->hold();
            item("brokenlinkmenu")->trigger();
            QVERIFY(service->waitForRequests(2));
            item("badmodmenu")->trigger();
            QVERIFY(service->waitForRequests(3));
            service->setReply(scriptPath, "second");
            service->release();
            QTRY_COMPARE(window->phptxt->toPlainText(), QStringLiteral("second"));
            QTest::qWait(100);
            QCOMPARE(replies.size(), 1);
        } else {
            service->setReply(scriptPath, "first\nreply");
            item("brokenlinkmenu")->trigger();
            QTRY_COMPARE(window->phptxt->toPlainText(), QStringLiteral("first\nreply"));
            service->setReply(scriptPath, "second");
            item("badmodmenu")->trigger();
            QTRY_COMPARE(window->phptxt->toPlainText(), QStringLiteral("second"));
            QCOMPARE(replies.size(), 2);
        }
        // The list and its selection are untouched by the replies.
        QCOMPARE(window->mods->model()->rowCount(), 2);
        QCOMPARE(window->mods->currentIndex().row(), 0);
    }

    void replyShownAsReceived_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("shown");
        QTest::newRow("UTF-8") << QByteArray("Merci, re\xc3\xa7u")
                               << QStringLiteral("Merci, re\u00e7u");
        QTest::newRow("Latin-1") << QByteArray("Merci, re\xe7u")
                                 << QStringLiteral("Merci, re\u00e7u");
        QTest::newRow("error page, shown too")
            << QByteArray("<html>500</html>") << QStringLiteral("<html>500</html>");
    }
    void replyShownAsReceived()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, shown);
        service->setReply(scriptPath, body, 500);
        fetchList();
        select(0);
        item("badmodmenu")->trigger();
        QTRY_COMPARE(window->phptxt->toPlainText(), shown);
    }

    void failedReportTold()
    {
        fetchList();
        select(0);
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        const quint16 port = probe.serverPort();
        probe.close();
        service::setBaseUrl(QStringLiteral("http://127.0.0.1:%1").arg(port));
        item("brokenlinkmenu")->trigger();
        QTRY_COMPARE(
            platform->messages,
            QStringList{
                QStringLiteral("Error: %1").arg(int(QAbstractSocket::ConnectionRefusedError))});
    }

    void bugReportPage_data()
    {
        QTest::addColumn<bool>("selected");
        QTest::newRow("no mod selected") << false;
        QTest::newRow("a mod selected") << true;
    }
    void bugReportPage()
    {
        QFETCH(bool, selected);
        fetchList();
        if (selected)
            select(0);
        item("reportbug")->trigger();
        QCOMPARE(
            platform->opened,
            QStringList{service->baseUrl() +
                        QStringLiteral("/tarnvale/request.php?action=bugreport&version=html")});
        QTest::qWait(50);
        QCOMPARE(service->requests.size(), 1);
        QCOMPARE(platform->beeps, 0);
    }
};

TARNVALE_TEST_MAIN(TestReports)
#include "tst_reports.moc"
