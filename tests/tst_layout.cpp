// Every window as the user first sees it: title, content size, its named controls, and no
// caption cut off by the place it is given.
#include "about/about.h"
#include "app/instance.h"
#include "catalogue/mainwindow.h"
#include "downloads/dlwindow.h"
#include "downloads/utilitieswin.h"
#include "settings/settingswin.h"
#include "submission/getlisted.h"
#include "support/fakeplatform.h"
#include "support/fakeservice.h"
#include "support/testmain.h"

#include <QAbstractButton>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <functional>
#include <memory>

using Opener = std::function<QWidget *()>;
Q_DECLARE_METATYPE(Opener)

class TestLayout : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void window_data();
    void window();

private:
    std::unique_ptr<FakePlatform> platform;
    std::unique_ptr<FakeService> service;
};

void TestLayout::init()
{
    platform = std::make_unique<FakePlatform>();
    service = std::make_unique<FakeService>();
    service->hold(); // windows stay as they open
}

void TestLayout::cleanup()
{
    closeAllWindows();
    service.reset();
    platform.reset();
}

void TestLayout::window_data()
{
    using namespace tarnvale;
    QTest::addColumn<Opener>("open");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QSize>("content");
    QTest::addColumn<QStringList>("controls");
    QTest::newRow("main") << Opener([] { return instance::main()->centralWidget(); })
                          << "Tarnvale V2" << QSize(475, 325)
                          << QStringList{"sitebtn", "getlistedbtn", "loaderwheel", "gameselect",
                                         "mods",    "downloadbtn",  "phptxt",      "utilsbtn"};
    QTest::newRow("download") << Opener([] { return instance::dlwindow(); })
                              << "Download :: " << QSize(300, 102)
                              << QStringList{"StaticText1", "pbar", "EditField1", "dlstop"};
    QTest::newRow("utilities") << Opener([] { return instance::utilitieswin(); })
                               << "Tarnvale 2 :: Utilities" << QSize(348, 287)
                               << QStringList{"utilslist", "versiontxt", "utildlbtn"};
    QTest::newRow("get listed") << Opener([] { return instance::getlisted(); }) << "Get Listed"
                                << QSize(304, 298)
                                << QStringList{"listnick",   "makertxt",   "listmod",
                                               "modnametxt", "Separator1", "listmodlink",
                                               "linktxt",    "listtrial",  "listpc",
                                               "listsubmit", "listnvm",    "warntxt",
                                               "listxbox",   "listhalo2",  "mapselect",
                                               "maptxt",     "listutility"};
    QTest::newRow("settings") << Opener([] { return instance::settingswin(); })
                              << "Tarnvale 2 :: Settings" << QSize(320, 143)
                              << QStringList{"dlto", "StaticText1", "medl", "okbtn", "alertdl"};
    QTest::newRow("about") << Opener([] { return instance::about(); }) << "Tarnvale 2 :: About"
                           << QSize(377, 293)
                           << QStringList{"StaticText1", "ImageWell1", "donebtn", "StaticText2",
                                          "Separator1"};
}

void TestLayout::window()
{
    QFETCH(Opener, open);
    QFETCH(QString, title);
    QFETCH(QSize, content);
    QFETCH(QStringList, controls);
    QWidget *area = open();
    QVERIFY(QTest::qWaitForWindowExposed(area->window()));
    QCOMPARE(area->window()->windowTitle(), title);
    QCOMPARE(area->size(), content);
    QCOMPARE(area->window()->minimumSize(), area->window()->maximumSize());
    for (const QString &name : controls) {
        QWidget *control = area->findChild<QWidget *>(name);
        QVERIFY2(control, qPrintable(name));
        QVERIFY2(area->rect().contains(control->geometry()), qPrintable(name));
    }
    // Captions are drawn whole: no label or button is narrower than its text needs. (Labels
    // that wrap, such as the credits and the caution, lay their text out in their height.)
    for (QWidget *control : area->findChildren<QWidget *>()) {
        auto *label = qobject_cast<QLabel *>(control);
        auto *button = qobject_cast<QAbstractButton *>(control);
        if ((!label || label->wordWrap() || label->text().isEmpty()) && !button)
            continue;
        // A push button's size hint asks for a comfortable minimum; its text is what must fit.
        auto *push = qobject_cast<QPushButton *>(control);
        const int needed = push ? push->fontMetrics().horizontalAdvance(push->text()) + 4
                                : control->sizeHint().width();
        QVERIFY2(needed <= control->width(), qPrintable(control->objectName() + " is cut off"));
    }
}

TARNVALE_TEST_MAIN(TestLayout)
#include "tst_layout.moc"
