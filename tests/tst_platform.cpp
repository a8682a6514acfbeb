// The desktop services that hold logic of their own.
#include "platform/desktop.h"
#include "support/testmain.h"

#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QWidget>

using tarnvale::platform::InterfaceInfo;

class TestPlatform : public QObject {
    Q_OBJECT
private slots:
    void machineAddress_data();
    void machineAddress();
    void realInterfacesNeverCrash();
    void boxOutlivedByItsClosingParent();
};

void TestPlatform::machineAddress_data()
{
    QTest::addColumn<QList<InterfaceInfo>>("interfaces");
    QTest::addColumn<QString>("address");
    const InterfaceInfo lo{true, true, "127.0.0.1"};
    QTest::newRow("loopback listed first")
        << QList<InterfaceInfo>{lo, {true, false, "10.0.0.2"}} << "10.0.0.2";
    QTest::newRow("down interface skipped")
        << QList<InterfaceInfo>{lo, {false, false, "10.0.0.3"}, {true, false, "10.0.0.4"}}
        << "10.0.0.4";
    QTest::newRow("no IPv4 skipped") << QList<InterfaceInfo>{{true, false, ""}, lo} << "127.0.0.1";
    QTest::newRow("loopback only") << QList<InterfaceInfo>{lo} << "127.0.0.1";
    QTest::newRow("no interfaces") << QList<InterfaceInfo>{} << "";
}

void TestPlatform::machineAddress()
{
    QFETCH(QList<InterfaceInfo>, interfaces);
    QFETCH(QString, address);
    QCOMPARE(tarnvale::platform::pickAddress(interfaces), address);
}

void TestPlatform::realInterfacesNeverCrash()
{
    const QString address = tarnvale::platform::DesktopMachine().address();
    // Whatever is picked is an IPv4 address, or nothing on a machine without interfaces.
    QVERIFY(address.isEmpty() || QHostAddress(address).protocol() == QAbstractSocket::IPv4Protocol);
}

void TestPlatform::boxOutlivedByItsClosingParent()
{
    // A window deleted while its message box is up (a download ending meanwhile) takes the box
    // with it; the box must not be freed a second time when it returns.
    QPointer<QWidget> window = new QWidget;
    window->show();
    QTimer::singleShot(100, window.data(), [&] { delete window.data(); });
    tarnvale::platform::DesktopDialogs().message(window, QStringLiteral("Still here?"));
    QVERIFY(!window);

    window = new QWidget;
    window->show();
    QTimer::singleShot(100, window.data(), [&] { delete window.data(); });
    QVERIFY(!tarnvale::platform::DesktopDialogs().question(window, QStringLiteral("Error!"),
                                                           QStringLiteral("Yes or no?")));
    QVERIFY(!window);
}

TARNVALE_TEST_MAIN(TestPlatform)
#include "tst_platform.moc"
