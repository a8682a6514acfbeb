// The settings file: reading the line, the first start, saving, and files that fail.
#include "app/application.h"
#include "settings/settingsstore.h"
#include "support/fakeplatform.h"
#include "support/testmain.h"

#include <QFile>
#include <QTest>

using namespace tarnvale;

namespace {
void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}
} // namespace

class TestSettingsStore : public QObject {
    Q_OBJECT
private slots:
    void line_data();
    void line();
    void firstStartCreatesTheDefaultFile();
    void loadNeverRewritesAFile();
    void saveReplacesTheWholeLine();
    void unwritableFolderKeepsTheDefaultsAndSaysSo();
};

void TestSettingsStore::line_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("dlto");
    QTest::addColumn<bool>("medl");
    QTest::addColumn<bool>("alertdl");
    QTest::newRow("default") << QByteArray("Mod Downloads;true;true") << "Mod Downloads" << true
                             << true;
    QTest::newRow("letter case") << QByteArray("Downloads;TRUE;True") << "Downloads" << true
                                 << true;
    QTest::newRow("other words") << QByteArray("Downloads;yes;1") << "Downloads" << false << false;
    QTest::newRow("folder only") << QByteArray("Downloads") << "Downloads" << false << false;
    QTest::newRow("empty") << QByteArray() << "" << false << false;
    QTest::newRow("line terminator")
        << QByteArray("Downloads;true;true\n") << "Downloads" << true << false;
    QTest::newRow("extra field") << QByteArray("Downloads;true;true;extra") << "Downloads" << true
                                 << true;
    QTest::newRow("semicolon in folder")
        << QByteArray("My;Files;true;true") << "My" << false << true;
    QTest::newRow("spaces kept") << QByteArray(" D ; true;false") << " D " << false << false;
    QTest::newRow("UTF-8 folder") << QByteArray("T\xc3\xa9l\xc3\xa9"
                                                "chargements;false;TRUE")
                                  << QStringLiteral("T\u00e9l\u00e9chargements") << false << true;
}

void TestSettingsStore::line()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, dlto);
    QFETCH(bool, medl);
    QFETCH(bool, alertdl);
    FakePlatform platform;
    writeFile(settings::filePath(), content);
    const QString line = settings::loadIntoApp();
    QCOMPARE(line, QString::fromUtf8(content));
    QCOMPARE(App()->dlto, dlto);
    QCOMPARE(App()->medl, medl);
    QCOMPARE(App()->alertdl, alertdl);
    QVERIFY(platform.messages.isEmpty());
}

void TestSettingsStore::firstStartCreatesTheDefaultFile()
{
    FakePlatform platform;
    QVERIFY(!QFile::exists(settings::filePath()));
    QCOMPARE(settings::loadIntoApp(), QStringLiteral("Mod Downloads;true;true"));
    QCOMPARE(readFile(settings::filePath()), QByteArray("Mod Downloads;true;true"));
    QCOMPARE(QFileInfo(settings::filePath()).size(), 23);
    QCOMPARE(App()->dlto, QStringLiteral("Mod Downloads"));
    QVERIFY(App()->medl && App()->alertdl);
    QCOMPARE(App()->cversion, QStringLiteral("2.1211"));
}

void TestSettingsStore::loadNeverRewritesAFile()
{
    FakePlatform platform;
    for (const QByteArray &content : {QByteArray(), QByteArray("x;;\r\n\r\ny")}) {
        writeFile(settings::filePath(), content);
        const QDateTime before = QFileInfo(settings::filePath()).lastModified();
        settings::loadIntoApp();
        QCOMPARE(readFile(settings::filePath()), content);
        QCOMPARE(QFileInfo(settings::filePath()).lastModified(), before);
    }
}

void TestSettingsStore::saveReplacesTheWholeLine()
{
    FakePlatform platform;
    App()->dlto = QStringLiteral("Before");
    QVERIFY(settings::save({QStringLiteral("A much longer folder name"), true, true}));
    QVERIFY(settings::save({QString(), false, false}));
    QCOMPARE(readFile(settings::filePath()), QByteArray(";false;false"));
    QCOMPARE(App()->dlto, QStringLiteral("Before")); // a save changes only the file
    QVERIFY(settings::save({QStringLiteral("D"), false, true}));
    QCOMPARE(readFile(settings::filePath()), QByteArray("D;false;true"));
}

void TestSettingsStore::unwritableFolderKeepsTheDefaultsAndSaysSo()
{
    FakePlatform platform;
    // A file where the application's folder should be: nothing can be created inside it.
    platform.appDir = platform.folder.filePath(QStringLiteral("not-a-folder"));
    writeFile(platform.appDir, "x");

    QCOMPARE(settings::loadIntoApp(), QStringLiteral("Mod Downloads;true;true"));
    QCOMPARE(App()->dlto, QStringLiteral("Mod Downloads"));
    QCOMPARE(platform.messages.size(), 1);
    QVERIFY(platform.messages[0].contains(settings::filePath()));

    QVERIFY(!settings::save({QStringLiteral("D"), true, true}));
    QCOMPARE(platform.messages.size(), 2);
    QVERIFY(platform.messages[1].contains(settings::filePath()));
    QCOMPARE(readFile(platform.appDir), QByteArray("x"));
}

TARNVALE_TEST_MAIN(TestSettingsStore)
#include "tst_settingsstore.moc"
