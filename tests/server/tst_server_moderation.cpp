// The moderation commands on the same folder and database the service uses: approving and
// rejecting submissions, banning and unbanning addresses, each list replaced whole.
#include "serverfixture.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>

namespace {

ino_t inode(const QString &path)
{
    struct stat st {};
    return ::stat(path.toLocal8Bit().constData(), &st) == 0 ? st.st_ino : 0;
}

QStringList leftovers(const ServerFixture &server)
{
    return QDir(server.path("")).entryList({".*.tmp*"}, QDir::Files | QDir::Hidden);
}

} // namespace

class TestServerModeration : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void approveIntoTickedLists();
    void approveIntoGivenListsAndUtilities();
    void approveRefusesBadInput_data();
    void approveRefusesBadInput();
    void rejectLeavesListsAlone();
    void listingsShowExactFields();
    void banAndUnbanEditBannedList();

private:
    qint64 submit(const QByteArray &form);

    std::unique_ptr<ServerFixture> m_server;
    QTemporaryDir m_files;
    const QByteArray m_pcList = "Mod A|Alice|Map One|ModA.ZIP;Mod B|Bob|Map Two|modb.zip";
};

void TestServerModeration::init()
{
    m_server = std::make_unique<ServerFixture>();
    // As an editor may leave it: a line break at the end.
    m_server->writeFile("pcmods2.txt", m_pcList + "\n");
    m_server->writeFile("trialmods2.txt", "T|U|V|w.zip");
    QVERIFY(m_server->start());
}

void TestServerModeration::cleanup()
{
    QCOMPARE(m_server->stop(), 0);
    m_server.reset();
}

qint64 TestServerModeration::submit(const QByteArray &form)
{
    const RawReply reply = exchange(m_server->port(), clientPost(form));
    if (reply.status != 200)
        return -1;
    return storedForms(m_server->database()).last().id;
}

void TestServerModeration::approveIntoTickedLists()
{
    const qint64 id = submit("modname=Snowy+Gulch&modlink=http:%2F%2Fexample.com%2Fs.zip"
                             "&modmaker=Mod+Squad&pc=True&trial=False&xbox=True&halo2=False"
                             "&utility=False&map=Blood+Gulch&version=2.1211&action=getlisted");
    QVERIFY(id > 0);
    const QString file = m_files.filePath("Snowy.ZIP");
    const QByteArray zip("PK\x03\x04 snowy", 10);
    QFile f(file);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(zip);
    f.close();
    const ino_t before = inode(m_server->path("pcmods2.txt"));

    QByteArray out;
    QCOMPARE(m_server->command({"approve", QString::number(id), "--file", file}, &out), 0);

    QCOMPARE(m_server->readFile("pcmods2.txt"),
             m_pcList + ";Snowy Gulch|Mod Squad|Blood Gulch|Snowy.ZIP");
    QCOMPARE(m_server->readFile("xboxmods2.txt"),
             QByteArray("Snowy Gulch|Mod Squad|Blood Gulch|Snowy.ZIP"));
    QCOMPARE(m_server->readFile("trialmods2.txt"), QByteArray("T|U|V|w.zip"));
    QVERIFY(inode(m_server->path("pcmods2.txt")) != before); // replaced, not written in place
    QVERIFY(leftovers(*m_server).isEmpty());

    // The client asks for the whole address lower-cased; the service has it there.
    const RawReply download =
        exchange(m_server->port(), clientGet("/tarnvale/uploads/mod%20squad/snowy.zip"));
    QCOMPARE(download.status, 200);
    QCOMPARE(download.body, zip);
    QCOMPARE(storedForms(m_server->database()).last().state, QByteArray("approved"));
    QCOMPARE(m_server->command({"pending"}, &out), 0);
    QVERIFY(!out.contains("Snowy"));

    // A second approval is refused and changes nothing.
    QVERIFY(m_server->command({"approve", QString::number(id), "--file", file}, &out) != 0);
    QVERIFY(out.contains("already approved"));
    QCOMPARE(m_server->readFile("xboxmods2.txt"),
             QByteArray("Snowy Gulch|Mod Squad|Blood Gulch|Snowy.ZIP"));
}

void TestServerModeration::approveIntoGivenListsAndUtilities()
{
    m_server->writeFile("uploads/alice/tool.zip", "tool");
    const qint64 id = submit("modname=Tool&modlink=http:%2F%2Fexample.com%2Ftool.zip"
                             "&modmaker=Alice&pc=True&trial=False&xbox=False&halo2=False"
                             "&utility=True&map=Wizard&action=getlisted");
    QVERIFY(id > 0);
    QCOMPARE(m_server->command(
                 {"approve", QString::number(id), "--lists", "trial,utility", "--as", "Tool.zip"}),
             0);
    QCOMPARE(m_server->readFile("trialmods2.txt"),
             QByteArray("T|U|V|w.zip;Tool|Alice|Wizard|Tool.zip"));
    QCOMPARE(m_server->readFile("utilities.txt"),
             QByteArray("Tool|PC|http://example.com/tool.zip"));
    QCOMPARE(m_server->readFile("pcmods2.txt"), m_pcList + "\n"); // not asked for
}

void TestServerModeration::approveRefusesBadInput_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("message");
    QTest::newRow("author with a bar")
        << QStringList{"--author", "A|B", "--as", "x.zip"} << QByteArray("\"|\"");
    QTest::newRow("author as a path")
        << QStringList{"--author", "..", "--as", "x.zip"} << QByteArray("folder name");
    QTest::newRow("unknown list") << QStringList{"--lists", "pc,gamecube", "--as", "x.zip"}
                                  << QByteArray("\"gamecube\" is not a list");
    QTest::newRow("no file") << QStringList{} << QByteArray("--file");
    QTest::newRow("file missing from uploads")
        << QStringList{"--as", "nothere.zip"} << QByteArray("does not exist");
    QTest::newRow("file name with a semicolon")
        << QStringList{"--as", "a;b.zip"} << QByteArray("\";\"");
}

void TestServerModeration::approveRefusesBadInput()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, message);
    const qint64 id = submit("modname=M&modlink=http:%2F%2Fe.com%2Fm.zip&modmaker=Maker"
                             "&pc=True&map=Wizard&action=getlisted");
    QVERIFY(id > 0);
    QByteArray out;
    QVERIFY(m_server->command(QStringList{"approve", QString::number(id)} + arguments, &out) != 0);
    QVERIFY2(out.contains(message), out.constData());
    QCOMPARE(m_server->readFile("pcmods2.txt"), m_pcList + "\n");
    QVERIFY(!QDir(m_server->path("uploads/maker")).exists());
    QCOMPARE(storedForms(m_server->database()).last().state, QByteArray("pending"));
}

void TestServerModeration::rejectLeavesListsAlone()
{
    const qint64 report = submit("action=badmod&mod=Mod+A");
    const qint64 id = submit("modname=Spam&modlink=x&pc=True&action=getlisted");
    QVERIFY(report > 0 && id > 0);
    QByteArray out;
    QVERIFY(m_server->command({"reject", QString::number(report)}, &out) != 0); // not a submission
    QCOMPARE(m_server->command({"reject", QString::number(id), "--reason", "not a mod"}), 0);
    QCOMPARE(m_server->readFile("pcmods2.txt"), m_pcList + "\n");
    QCOMPARE(m_server->command({"pending"}, &out), 0);
    QVERIFY(!out.contains("Spam"));
    QCOMPARE(m_server->command({"pending", "--all"}, &out), 0);
    QVERIFY(out.contains("rejected  (not a mod)"));
    QVERIFY(m_server->command({"approve", QString::number(id), "--as", "x.zip"}) != 0);
}

void TestServerModeration::listingsShowExactFields()
{
    QVERIFY(submit("action=brokenlink&version=2.1211&mod=Caf\xc3\xa9%0D%0A2&link=l") > 0);
    QVERIFY(submit("action=bug&details=Crash") > 0);
    QVERIFY(submit("modname=New&modlink=x&action=getlisted") > 0);
    QByteArray reports, bugs, pending;
    QCOMPARE(m_server->command({"reports"}, &reports), 0);
    QCOMPARE(m_server->command({"bugs"}, &bugs), 0);
    QCOMPARE(m_server->command({"pending"}, &pending), 0);
    QVERIFY2(reports.contains("brokenlink  open\n") &&
                 reports.contains("mod: Caf\xc3\xa9\\r\\n2\n"),
             reports.constData());
    QVERIFY(!reports.contains("Crash") && !reports.contains("New"));
    QVERIFY(bugs.contains("details: Crash") && !bugs.contains("brokenlink"));
    QVERIFY(pending.contains("modname: New") && pending.contains("127.0.0.1"));
}

void TestServerModeration::banAndUnbanEditBannedList()
{
    m_server->writeFile("bannedips.txt", "203.0.113.7\n");
    QCOMPARE(m_server->command({"ban", "10.0.0.2"}), 0);
    QCOMPARE(m_server->readFile("bannedips.txt"), QByteArray("203.0.113.7|10.0.0.2"));
    QCOMPARE(m_server->command({"ban", "10.0.0.2"}), 0);
    QCOMPARE(m_server->readFile("bannedips.txt"), QByteArray("203.0.113.7|10.0.0.2"));
    QVERIFY(m_server->command({"ban", "10.0.0.3|10.0.0.4"}) != 0);
    QCOMPARE(m_server->command({"unban", "203.0.113.7"}), 0);
    QCOMPARE(m_server->readFile("bannedips.txt"), QByteArray("10.0.0.2"));
    QCOMPARE(m_server->command({"unban", "10.0.0.2"}), 0);
    QCOMPARE(m_server->readFile("bannedips.txt"), QByteArray(""));
    QVERIFY(leftovers(*m_server).isEmpty());

    // The service reads the list as it is now.
    QCOMPARE(m_server->command({"ban", "127.0.0.1"}), 0);
    QCOMPARE(exchange(m_server->port(), clientPost("modname=M&modlink=x&action=getlisted")).status,
             403);
    QCOMPARE(m_server->command({"unban", "127.0.0.1"}), 0);
    QCOMPARE(exchange(m_server->port(), clientPost("modname=M&modlink=x&action=getlisted")).status,
             200);
}

QTEST_GUILESS_MAIN(TestServerModeration)
#include "tst_server_moderation.moc"
