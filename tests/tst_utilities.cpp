// The utilities window: cutting utilities.txt into rows, the version and link of the selected
// row, and which links are handed to the browser.
#include "app/application.h"
#include "app/instance.h"
#include "catalogue/mainwindow.h"
#include "downloads/utilitieswin.h"
#include "platform/httprequest.h"
#include "support/fakeplatform.h"
#include "support/fakeservice.h"
#include "support/testmain.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>
#include <memory>

using tarnvale::platform::HttpRequest;

class TestUtilities : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void records_data();
    void records();
    void clearingTheSelectionKeepsTheVersion();
    void downloadHandsOnlyWebAddresses_data();
    void downloadHandsOnlyWebAddresses();
    void opensOnceAndFetchesOncePerWindow();

private:
    void open(const QByteArray &body, int status = 200);
    void select(int row);

    std::unique_ptr<FakePlatform> platform;
    std::unique_ptr<FakeService> service;
    QPointer<tarnvale::utilitieswin> window;
};

void TestUtilities::init()
{
    platform = std::make_unique<FakePlatform>();
    service = std::make_unique<FakeService>();
}

void TestUtilities::cleanup()
{
    closeAllWindows();
    QVERIFY(!window);
    service.reset();
    platform.reset();
}

void TestUtilities::open(const QByteArray &body, int status)
{
    service->setReply("/tarnvale/utilities.txt", body, status);
    window = tarnvale::instance::utilitieswin();
    QSignalSpy reply(window->socket, &HttpRequest::pageReceived);
    QVERIFY(reply.wait());
}

void TestUtilities::select(int row)
{
    window->utilslist->setCurrentItem(window->utilslist->topLevelItem(row));
}

void TestUtilities::records_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("status");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("versions");
    QTest::addColumn<QStringList>("links");

    QTest::newRow("three records")
        << QByteArray("A|1.0|http://x/a;B|1.5|http://x/b;C|2|http://x/c") << 200
        << QStringList{"A", "B", "C"} << QStringList{"1.0", "1.5", "2"}
        << QStringList{"http://x/a", "http://x/b", "http://x/c"};
    QTest::newRow("final separator")
        << QByteArray("A|1.0|http://x/a;B|1.5|http://x/b;C|2|http://x/c;") << 200
        << QStringList{"A", "B", "C", ""} << QStringList{"1.0", "1.5", "2", "Undefined"}
        << QStringList{"http://x/a", "http://x/b", "http://x/c", ""};
    QTest::newRow("empty version, name only, space version")
        << QByteArray("A||http://x/a;Tool;S| |http://x/s") << 200 << QStringList{"A", "Tool", "S"}
        << QStringList{"Undefined", "Undefined", " "}
        << QStringList{"http://x/a", "", "http://x/s"};
    QTest::newRow("extra fields") << QByteArray("A|1.0|http://x/a|extra|more") << 200
                                  << QStringList{"A"} << QStringList{"1.0"}
                                  << QStringList{"http://x/a"};
    QTest::newRow("one record per line")
        << QByteArray("A|1.0|http://x/a;\nB|1.5|http://x/b;\r\nC|2|http://x/c") << 200
        << QStringList{"A", "\nB", "\r\nC"} << QStringList{"1.0", "1.5", "2"}
        << QStringList{"http://x/a", "http://x/b", "http://x/c"};
    QTest::newRow("error page") << QByteArray("<p>gone; sorry</p>") << 404
                                << QStringList{"<p>gone", " sorry</p>"}
                                << QStringList{"Undefined", "Undefined"} << QStringList{"", ""};
    QTest::newRow("empty reply") << QByteArray() << 200 << QStringList{} << QStringList{}
                                 << QStringList{};
}

void TestUtilities::records()
{
    QFETCH(QByteArray, body);
    QFETCH(int, status);
    QFETCH(QStringList, names);
    QFETCH(QStringList, versions);
    QFETCH(QStringList, links);
    open(body, status);
    QVERIFY(!window->utildlbtn->isEnabled());
    QVERIFY(window->versiontxt->text().isEmpty());

    QStringList shown;
    for (int i = 0; i < window->utilslist->topLevelItemCount(); ++i)
        shown << window->utilslist->topLevelItem(i)->text(0);
    QCOMPARE(shown, names);
    QCOMPARE(window->utils.size(), names.size());

    // Rows are visited last to first, so that each one is matched by its own position.
    for (qsizetype row = names.size() - 1; row >= 0; --row) {
        select(int(row));
        QCOMPARE(window->versiontxt->text(), versions.at(row));
        QCOMPARE(window->utillink, links.at(row));
        QVERIFY(window->utildlbtn->isEnabled());
    }
}

void TestUtilities::clearingTheSelectionKeepsTheVersion()
{
    open("A|1.0|http://x/a;B|1.5|http://x/b");
    select(1);
    window->utilslist->clearSelection();
    QVERIFY(!window->utildlbtn->isEnabled());
    QCOMPARE(window->versiontxt->text(), QStringLiteral("1.5"));
    QCOMPARE(window->utillink, QStringLiteral("http://x/b"));
}

void TestUtilities::downloadHandsOnlyWebAddresses_data()
{
    QTest::addColumn<QString>("link");
    QTest::addColumn<bool>("opened");
    // Surrounding blanks and line breaks are dropped; what is opened is the trimmed link.

    QTest::newRow("letter case kept") << "HTTP://Example.com/Tools/Map Tool.ZIP" << true;
    QTest::newRow("https with query") << "https://example.com/get?tool=3" << true;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("file") << "file:///etc/passwd" << false;
    QTest::newRow("script") << "javascript:alert(1)" << false;
    QTest::newRow("disk path") << "C:\\Tools\\maptool.exe" << false;
    QTest::newRow("bare path") << "/usr/bin/xterm" << false;
    QTest::newRow("other scheme") << "ftp://example.com/tool.zip" << false;
    QTest::newRow("no host") << "http://" << false;
    QTest::newRow("final line break") << "http://example.com/tool.zip\r\n" << true;
    QTest::newRow("leading space") << " http://example.com/tool.zip" << true;
    QTest::newRow("line break inside") << "http://example.com/a\r\nb.zip" << false;
}

void TestUtilities::downloadHandsOnlyWebAddresses()
{
    QFETCH(QString, link);
    QFETCH(bool, opened);
    // Utilities always go to the browser, whatever the setting for mods says.
    tarnvale::App()->medl = true;
    open("Tool|1.0|" + link.toUtf8());
    select(0);
    QTest::mouseClick(window->utildlbtn, Qt::LeftButton);
    QCOMPARE(platform->opened, opened ? QStringList{link.trimmed()} : QStringList{});
    if (opened) {
        QVERIFY(platform->messages.isEmpty());
    } else {
        QCOMPARE(platform->messages.size(), 1);
        QVERIFY(platform->messages.first().contains(QStringLiteral("not a web address")));
    }
    QVERIFY(window->isVisible());
}

void TestUtilities::opensOnceAndFetchesOncePerWindow()
{
    service->setReply("/tarnvale/utilities.txt", "A|1.0|http://x/a");
    auto *mainWindow = tarnvale::instance::main();
    QTest::mouseClick(mainWindow->utilsbtn, Qt::LeftButton);
    window = tarnvale::instance::utilitieswin();
    QTRY_COMPARE(window->utilslist->topLevelItemCount(), 1);
    QTest::mouseClick(mainWindow->utilsbtn, Qt::LeftButton);
    QCOMPARE(tarnvale::instance::utilitieswin(), window.data());
    QVERIFY(!window->socket->isActive());
    QCOMPARE(window->utilslist->topLevelItemCount(), 1);
    QCOMPARE(service->requests.size(), 1);

    window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!window);
    QTest::mouseClick(mainWindow->utilsbtn, Qt::LeftButton);
    window = tarnvale::instance::utilitieswin();
    QTRY_COMPARE(window->utilslist->topLevelItemCount(), 1);
    QCOMPARE(service->requests.size(), 2);
}

TARNVALE_TEST_MAIN(TestUtilities)
#include "tst_utilities.moc"
