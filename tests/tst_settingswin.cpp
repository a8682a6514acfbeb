// The settings window: what each activation loads, what "Ok" saves or refuses, and that the
// close box saves nothing.
#include "app/application.h"
#include "app/instance.h"
#include "app/menu.h"
#include "catalogue/mainwindow.h"
#include "platform/desktop.h"
#include "settings/settingswin.h"
#include "support/fakeplatform.h"
#include "support/testmain.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <memory>

namespace {
const QByteArray missing = "<missing>";
}

class TestSettingsWin : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void activationLoadsTheFile_data();
    void activationLoadsTheFile();
    void activationDropsUnsavedEdits();
    void okSaves_data();
    void okSaves();
    void okRefusesASemicolon();
    void closeBoxSavesNothing();
    void unreadableFileIsReportedOnce();
    void failedSaveKeepsTheWindow();
    void comingBackFromItsOwnBoxKeepsWhatWasTyped();
    void opensOnce();

private:
    QString path() const { return platform->folder.path() + QStringLiteral("/settings"); }
    void write(const QByteArray &content);
    QByteArray read() const;
    void activate();
    void open();

    std::unique_ptr<FakePlatform> platform;
    QPointer<tarnvale::settingswin> window;
};

void TestSettingsWin::init()
{
    platform = std::make_unique<FakePlatform>();
    tarnvale::App()->dlto = QStringLiteral("before");
    tarnvale::App()->medl = false;
    tarnvale::App()->alertdl = false;
}

void TestSettingsWin::cleanup()
{
    closeAllWindows();
    QVERIFY(!window);
    platform.reset();
}

void TestSettingsWin::write(const QByteArray &content)
{
    QFile file(path());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

QByteArray TestSettingsWin::read() const
{
    QFile file(path());
    if (!file.open(QIODevice::ReadOnly))
        return missing;
    return file.readAll();
}

// What the window system sends when the window becomes the active one.
void TestSettingsWin::activate()
{
    QEvent event(QEvent::WindowActivate);
    QCoreApplication::sendEvent(window, &event);
}

void TestSettingsWin::open()
{
    window = tarnvale::instance::settingswin();
    activate();
}

void TestSettingsWin::activationLoadsTheFile_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<bool>("medl");
    QTest::addColumn<bool>("alertdl");

    QTest::newRow("no file") << missing << "Mod Downloads" << true << true;
    QTest::newRow("D;false;TRUE") << QByteArray("D;false;TRUE") << "D" << false << true;
    QTest::newRow("empty file") << QByteArray() << "" << false << false;
    QTest::newRow("line break after the last field")
        << QByteArray("Downloads;true;true\n") << "Downloads" << true << false;
    QTest::newRow("folder alone") << QByteArray("Downloads") << "Downloads" << false << false;
}

void TestSettingsWin::activationLoadsTheFile()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, folder);
    QFETCH(bool, medl);
    QFETCH(bool, alertdl);
    if (content != missing)
        write(content);
    open();

    QCOMPARE(window->dlto->text(), folder);
    QCOMPARE(window->medl->isChecked(), medl);
    QCOMPARE(window->alertdl->isChecked(), alertdl);
    QCOMPARE(tarnvale::App()->dlto, folder);
    QCOMPARE(tarnvale::App()->medl, medl);
    QCOMPARE(tarnvale::App()->alertdl, alertdl);
    const QByteArray expected =
        content == missing ? QByteArray("Mod Downloads;true;true") : content;
    QCOMPARE(window->rawdata.toUtf8(), expected);
    QCOMPARE(read(), expected);
    QVERIFY(platform->messages.isEmpty());
}

void TestSettingsWin::activationDropsUnsavedEdits()
{
    write("Saved;true;false");
    open();
    window->dlto->setText(QStringLiteral("Typed but not saved"));
    window->alertdl->setChecked(true);
    // A hand edit made meanwhile is what the next activation shows, in the window and in App.
    write("Edited;false;false");
    activate();
    QCOMPARE(window->dlto->text(), QStringLiteral("Edited"));
    QVERIFY(!window->medl->isChecked());
    QVERIFY(!window->alertdl->isChecked());
    QCOMPARE(tarnvale::App()->dlto, QStringLiteral("Edited"));
    QVERIFY(!tarnvale::App()->medl);
    QCOMPARE(read(), QByteArray("Edited;false;false"));
}

void TestSettingsWin::okSaves_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<bool>("medl");
    QTest::addColumn<bool>("alertdl");
    QTest::addColumn<QByteArray>("line");

    QTest::newRow("empty, both cleared") << "" << false << false << QByteArray(";false;false");
    QTest::newRow("spaces kept") << " My Mods " << true << false
                                 << QByteArray(" My Mods ;true;false");
    QTest::newRow("nested folder")
        << "Mods/Halo" << false << true << QByteArray("Mods/Halo;false;true");
}

void TestSettingsWin::okSaves()
{
    QFETCH(QString, folder);
    QFETCH(bool, medl);
    QFETCH(bool, alertdl);
    QFETCH(QByteArray, line);
    write("Old folder, longer than the new line;true;true");
    open();
    window->dlto->setText(folder);
    window->medl->setChecked(medl);
    window->alertdl->setChecked(alertdl);

    // The box is up while the window is still open and the file already written.
    bool openDuringBox = false;
    QByteArray fileDuringBox;
    platform->whileModal = [&](const QString &) {
        openDuringBox = window && window->isVisible();
        fileDuringBox = read();
    };
    QTest::mouseClick(window->okbtn, Qt::LeftButton);
    QCOMPARE(platform->messages, QStringList{QStringLiteral("Settings Saved")});
    QVERIFY(openDuringBox);
    QCOMPARE(fileDuringBox, line);
    QVERIFY(window->isClosed());
    QCOMPARE(read(), line);
    // The save itself leaves the application's values to the next load.
    QCOMPARE(tarnvale::App()->dlto, QStringLiteral("Old folder, longer than the new line"));
    QVERIFY(tarnvale::App()->medl);
}

void TestSettingsWin::okRefusesASemicolon()
{
    write("Mod Downloads;true;true");
    open();
    window->dlto->setText(QStringLiteral("My;Files"));
    QTest::mouseClick(window->okbtn, Qt::LeftButton);
    QCOMPARE(platform->messages.size(), 1);
    QVERIFY(platform->messages.first().contains(QStringLiteral("\";\"")));
    QVERIFY(!platform->messages.contains(QStringLiteral("Settings Saved")));
    QCOMPARE(read(), QByteArray("Mod Downloads;true;true"));
    QVERIFY(window->isVisible());
    QVERIFY(!window->isClosed());
}

void TestSettingsWin::closeBoxSavesNothing()
{
    write("Kept;false;true");
    open();
    window->dlto->setText(QStringLiteral("Changed"));
    window->medl->setChecked(true);
    window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!window);
    QCOMPARE(read(), QByteArray("Kept;false;true"));
    QVERIFY(platform->messages.isEmpty());
}

void TestSettingsWin::unreadableFileIsReportedOnce()
{
    // A folder where the file should be: it cannot be read, nor replaced.
    QVERIFY(QDir(platform->folder.path()).mkdir(QStringLiteral("settings")));
    open();
    QCOMPARE(platform->messages.size(), 1);
    // Dismissing the box activates the window again; that must not bring the box back.
    activate();
    activate();
    QCOMPARE(platform->messages.size(), 1);

    // Once the file is readable again, activations load it again.
    QVERIFY(QDir(platform->folder.path()).rmdir(QStringLiteral("settings")));
    write("Back;true;false");
    activate();
    QCOMPARE(window->dlto->text(), QStringLiteral("Back"));
    QCOMPARE(platform->messages.size(), 1);
}

void TestSettingsWin::failedSaveKeepsTheWindow()
{
    open();
    window->dlto->setText(QStringLiteral("Mine"));
    // The file cannot be replaced once a folder stands in its place.
    QVERIFY(QFile::remove(path()));
    QVERIFY(QDir(platform->folder.path()).mkdir(QStringLiteral("settings")));
    QTest::mouseClick(window->okbtn, Qt::LeftButton);
    QCOMPARE(platform->messages.size(), 1);
    QVERIFY(platform->messages.first() != QStringLiteral("Settings Saved"));
    QVERIFY(!window->isClosed());
    QCOMPARE(window->dlto->text(), QStringLiteral("Mine"));
}

void TestSettingsWin::opensOnce()
{
    QAction *item = tarnvale::instance::menu()->item(QStringLiteral("settingsbtn"));
    auto *mainWindow = tarnvale::instance::main();
    QVERIFY(mainWindow);
    item->trigger();
    window = tarnvale::instance::settingswin();
    item->trigger();
    QCOMPARE(tarnvale::instance::settingswin(), window.data());
    QCOMPARE(countWindows<tarnvale::settingswin>(), 1);
}

void TestSettingsWin::comingBackFromItsOwnBoxKeepsWhatWasTyped()
{
    // Real message boxes: they take the focus from the window, which gets it back afterwards.
    tarnvale::platform::DesktopDialogs realBoxes;
    tarnvale::platform::install(platform.get(), &realBoxes, platform.get(), platform.get());
    auto dismissNextBox = [] {
        QTimer::singleShot(100, [] {
            if (QWidget *box = QApplication::activeModalWidget())
                box->close();
        });
    };
    open();
    QVERIFY(QTest::qWaitForWindowActive(window));
    window->dlto->setText(QStringLiteral("My;Files"));
    dismissNextBox();
    QTest::mouseClick(window->okbtn, Qt::LeftButton); // refused: a ";" in the name
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
    QCOMPARE(window->dlto->text(), QStringLiteral("My;Files"));
    QCOMPARE(read(), QByteArray("Mod Downloads;true;true"));

    // Leaving for another window and coming back is a new visit: the file is shown again.
    QWidget elsewhere;
    elsewhere.show();
    elsewhere.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&elsewhere));
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
    QCOMPARE(window->dlto->text(), QStringLiteral("Mod Downloads"));
}

TARNVALE_TEST_MAIN(TestSettingsWin)
#include "tst_settingswin.moc"
