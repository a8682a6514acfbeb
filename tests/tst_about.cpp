// The About window: the shared logo, the credits, and a press on the logo opening the site.
#include "about/about.h"
#include "app/instance.h"
#include "app/menu.h"
#include "catalogue/mainwindow.h"
#include "service/service.h"
#include "support/fakeplatform.h"
#include "support/testmain.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <memory>

class TestAbout : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void logoIsLoadedOnceAndSharp();
    void creditsHaveTwelveLines();
    void logoPressOpensTheSite();
    void closeButtonAndCloseBoxClose_data();
    void closeButtonAndCloseBoxClose();
    void opensOnce();

private:
    std::unique_ptr<FakePlatform> platform;
    QPointer<tarnvale::about> window;
};

void TestAbout::init()
{
    platform = std::make_unique<FakePlatform>();
    tarnvale::service::setBaseUrl(QStringLiteral("http://catalogue.example:8642"));
}

void TestAbout::cleanup()
{
    closeAllWindows();
    QVERIFY(!window);
    platform.reset();
}

void TestAbout::logoIsLoadedOnceAndSharp()
{
    const QPixmap &logo = tarnvale::aboutbox::logo2();
    QVERIFY(!logo.isNull());
    QCOMPARE(logo.deviceIndependentSize(), QSizeF(200, 200));
    QCOMPARE(logo.size(), QSize(400, 400));

    window = tarnvale::instance::about();
    const qint64 key = window->ImageWell1->pixmap().cacheKey();
    QCOMPARE(key, logo.cacheKey());
    window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    window = tarnvale::instance::about();
    QCOMPARE(window->ImageWell1->pixmap().cacheKey(), key);
    QCOMPARE(window->ImageWell1->geometry(), QRect(0, 0, 200, 200));
}

void TestAbout::creditsHaveTwelveLines()
{
    const QStringList lines = tarnvale::aboutbox::credits().split(u'\r');
    QCOMPARE(lines.size(), 12);
    QCOMPARE(lines[0], QStringLiteral("Made by:"));
    QVERIFY(lines[2].startsWith(u'(') && lines[2].endsWith(u')'));
    for (int empty : {3, 4, 5, 8})
        QVERIFY2(lines[empty].isEmpty(), qPrintable(QString::number(empty + 1)));
    QCOMPARE(lines[6], QStringLiteral("This program was made using:"));
    QVERIFY(lines[7].contains(QStringLiteral(" and ")));
    QCOMPARE(lines[9], QStringLiteral("Special Thanks:"));
    QVERIFY(lines[10].endsWith(QStringLiteral(" (for hosting the downloads and files)")));
    QCOMPARE(lines[11], QStringLiteral("Tarnvale 2 users (for downloading it)"));
    for (int named : {1, 2, 7, 10})
        QVERIFY(!lines[named].trimmed().isEmpty());

    // On screen, line by line.
    window = tarnvale::instance::about();
    QCOMPARE(window->StaticText2->text().split(u'\n'), lines);
    QCOMPARE(window->StaticText1->text(), QStringLiteral("Tarnvale 2"));
}

void TestAbout::logoPressOpensTheSite()
{
    window = tarnvale::instance::about();
    const QString site = QStringLiteral("http://catalogue.example:8642/");

    QTest::mousePress(window->ImageWell1, Qt::LeftButton, {}, QPoint(100, 100));
    QCOMPARE(platform->opened, QStringList{site});
    // It opens on the press: the release adds nothing; every press opens it again.
    QTest::mouseRelease(window->ImageWell1, Qt::LeftButton, {}, QPoint(100, 100));
    QCOMPARE(platform->opened.size(), 1);
    QTest::mouseClick(window->ImageWell1, Qt::LeftButton, {}, QPoint(3, 190));
    QCOMPARE(platform->opened, (QStringList{site, site}));
    QVERIFY(window->isVisible());
    QVERIFY(!window->isClosed());

    // The handler does not claim the press.
    QVERIFY(!window->ImageWell1_MouseDown(0, 0));

    QTest::mouseClick(window->StaticText2, Qt::LeftButton);
    QTest::mouseClick(window->StaticText1, Qt::LeftButton);
    QCOMPARE(platform->opened.size(), 3);
}

void TestAbout::closeButtonAndCloseBoxClose_data()
{
    QTest::addColumn<bool>("button");
    QTest::newRow("Close") << true;
    QTest::newRow("close box") << false;
}

void TestAbout::closeButtonAndCloseBoxClose()
{
    QFETCH(bool, button);
    window = tarnvale::instance::about();
    if (button)
        QTest::mouseClick(window->donebtn, Qt::LeftButton);
    else
        window->close();
    QVERIFY(window->isClosed());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!window);
    QVERIFY(platform->opened.isEmpty());
}

void TestAbout::opensOnce()
{
    auto *mainWindow = tarnvale::instance::main();
    QVERIFY(mainWindow);
    QAction *item = tarnvale::instance::menu()->item(QStringLiteral("aboutbtn"));
    item->trigger();
    window = tarnvale::instance::about();
    item->trigger();
    QCOMPARE(tarnvale::instance::about(), window.data());
    QCOMPARE(countWindows<tarnvale::about>(), 1);
}

TARNVALE_TEST_MAIN(TestAbout)
#include "tst_about.moc"
