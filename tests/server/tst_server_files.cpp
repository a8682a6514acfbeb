// The service's static side: lists and uploads by GET and HEAD, 404 for anything outside the
// catalogue, 405 for other methods, and a closed connection after every reply.
#include "serverfixture.h"

#include <QFile>
#include <QTest>

class TestServerFiles : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void servesCatalogueFiles_data();
    void servesCatalogueFiles();
    void headHasLengthWithoutBody();
    void refusesPathsOutsideCatalogue_data();
    void refusesPathsOutsideCatalogue();
    void otherMethodsAre405_data();
    void otherMethodsAre405();
    void closesAfterEveryReply_data();
    void closesAfterEveryReply();

private:
    ServerFixture m_server;
};

void TestServerFiles::initTestCase()
{
    m_server.writeFile("pcmods2.txt", "Mod A|Alice|Map One|ModA.ZIP;Mod B|Bob|Map Two|modb.zip");
    m_server.writeFile("trialmods2.txt", "");
    m_server.writeFile("utilities.txt", "Tool|PC|http://127.0.0.1/t.zip");
    m_server.writeFile("maps.txt", "Alpha,Beta, Gamma");
    m_server.writeFile("bannedips.txt", "203.0.113.7");
    m_server.writeFile("uploads/alice/moda.zip", QByteArray("PK\x03\x04\x00\xff zip bytes", 16));
    m_server.writeFile("uploads/mod squad/snowy.zip", "snow");
    m_server.writeFile(".pcmods2.txt.tmp123", "half written");
    // Things that must stay unreachable: a file beside the served folder, and a symlink to it.
    QFile secret(m_server.catalogue() + "/secret.txt");
    QVERIFY(secret.open(QIODevice::WriteOnly));
    secret.write("secret");
    secret.close();
    QVERIFY(QFile::link(m_server.catalogue() + "/secret.txt", m_server.path("outside.txt")));
    QVERIFY(QFile::link("../../secret.txt", m_server.path("uploads/up.txt")));
    QVERIFY(QFile::link("maps.txt", m_server.path("inside.txt")));
    QVERIFY(m_server.start());
}

void TestServerFiles::cleanupTestCase()
{
    QCOMPARE(m_server.stop(), 0);
}

void TestServerFiles::servesCatalogueFiles_data()
{
    QTest::addColumn<QByteArray>("target");
    QTest::addColumn<QString>("file");
    QTest::newRow("mod list") << QByteArray("/tarnvale/pcmods2.txt") << "pcmods2.txt";
    QTest::newRow("empty list") << QByteArray("/tarnvale/trialmods2.txt") << "trialmods2.txt";
    QTest::newRow("utilities") << QByteArray("/tarnvale/utilities.txt") << "utilities.txt";
    QTest::newRow("maps") << QByteArray("/tarnvale/maps.txt") << "maps.txt";
    QTest::newRow("banned") << QByteArray("/tarnvale/bannedips.txt") << "bannedips.txt";
    QTest::newRow("upload, binary")
        << QByteArray("/tarnvale/uploads/alice/moda.zip") << "uploads/alice/moda.zip";
    QTest::newRow("author with a space")
        << QByteArray("/tarnvale/uploads/mod%20squad/snowy.zip") << "uploads/mod squad/snowy.zip";
    QTest::newRow("query ignored") << QByteArray("/tarnvale/maps.txt?x=1") << "maps.txt";
    QTest::newRow("symlink inside") << QByteArray("/tarnvale/inside.txt") << "maps.txt";
}

void TestServerFiles::servesCatalogueFiles()
{
    QFETCH(QByteArray, target);
    QFETCH(QString, file);
    const RawReply reply = exchange(m_server.port(), clientGet(target));
    QCOMPARE(reply.status, 200);
    QCOMPARE(reply.body, m_server.readFile(file));
    QCOMPARE(reply.header("Content-Length"), QByteArray::number(reply.body.size()));
}

void TestServerFiles::headHasLengthWithoutBody()
{
    const RawReply reply = exchange(m_server.port(), "HEAD /tarnvale/pcmods2.txt HTTP/1.0\r\n\r\n");
    QCOMPARE(reply.status, 200);
    QCOMPARE(reply.header("Content-Length"),
             QByteArray::number(m_server.readFile("pcmods2.txt").size()));
    QVERIFY(reply.body.isEmpty());
    QVERIFY(reply.closedByServer);
}

void TestServerFiles::refusesPathsOutsideCatalogue_data()
{
    QTest::addColumn<QByteArray>("target");
    QTest::newRow("missing file") << QByteArray("/tarnvale/uploads/nobody/none.zip");
    QTest::newRow("wrong letter case") << QByteArray("/tarnvale/uploads/Alice/ModA.ZIP");
    QTest::newRow("dot dot") << QByteArray("/tarnvale/../secret.txt");
    QTest::newRow("encoded dot dot") << QByteArray("/tarnvale/%2e%2e/secret.txt");
    QTest::newRow("encoded slash") << QByteArray("/tarnvale/uploads%2F..%2F..%2Fsecret.txt");
    QTest::newRow("database") << QByteArray("/tarnvale.sqlite");
    QTest::newRow("beside the served folder") << QByteArray("/secret.txt");
    QTest::newRow("absolute path") << QByteArray("/etc/passwd");
    QTest::newRow("double slash") << QByteArray("/tarnvale//etc/passwd");
    QTest::newRow("absolute URL") << QByteArray("http://127.0.0.1/etc/passwd");
    QTest::newRow("symlink out, absolute") << QByteArray("/tarnvale/outside.txt");
    QTest::newRow("symlink out, relative") << QByteArray("/tarnvale/uploads/up.txt");
    QTest::newRow("temporary dot file") << QByteArray("/tarnvale/.pcmods2.txt.tmp123");
    QTest::newRow("folder") << QByteArray("/tarnvale/uploads");
    QTest::newRow("folder with slash") << QByteArray("/tarnvale/uploads/");
    QTest::newRow("NUL byte") << QByteArray("/tarnvale/maps.txt%00.zip");
}

void TestServerFiles::refusesPathsOutsideCatalogue()
{
    QFETCH(QByteArray, target);
    const RawReply reply = exchange(m_server.port(), clientGet(target));
    QCOMPARE(reply.status, 404);
    QVERIFY2(reply.body.contains("<html>"), reply.body.constData());
    QVERIFY(!reply.body.contains("secret"));
    QCOMPARE(reply.header("Content-Length"), QByteArray::number(reply.body.size()));
    QVERIFY(reply.closedByServer);
}

void TestServerFiles::otherMethodsAre405_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("allow");
    const QByteArray files = "GET, HEAD";
    const QByteArray script = "GET, HEAD, POST";
    QTest::newRow("PUT list") << QByteArray("PUT /tarnvale/pcmods2.txt HTTP/1.0\r\n"
                                            "Content-length: 2\r\n\r\nxx")
                              << files;
    QTest::newRow("DELETE list") << QByteArray("DELETE /tarnvale/pcmods2.txt HTTP/1.0\r\n\r\n")
                                 << files;
    QTest::newRow("OPTIONS") << QByteArray("OPTIONS /tarnvale/maps.txt HTTP/1.0\r\n\r\n") << files;
    QTest::newRow("TRACE") << QByteArray("TRACE / HTTP/1.0\r\n\r\n") << files;
    QTest::newRow("POST to a list")
        << clientPost("action=badmod").replace("/tarnvale/request.php", "/tarnvale/maps.txt")
        << files;
    QTest::newRow("PATCH script") << QByteArray("PATCH /tarnvale/request.php HTTP/1.0\r\n"
                                                "Content-length: 3\r\n\r\nabc")
                                  << script;
    QTest::newRow("DELETE script")
        << QByteArray("DELETE /tarnvale/request.php HTTP/1.0\r\n\r\n") << script;
}

void TestServerFiles::otherMethodsAre405()
{
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, allow);
    const RawReply reply = exchange(m_server.port(), request);
    QCOMPARE(reply.status, 405);
    QCOMPARE(reply.header("Allow"), allow);
    QVERIFY(!reply.body.isEmpty());
    QCOMPARE(reply.header("Content-Length"), QByteArray::number(reply.body.size()));
    QCOMPARE(m_server.readFile("pcmods2.txt"),
             QByteArray("Mod A|Alice|Map One|ModA.ZIP;Mod B|Bob|Map Two|modb.zip"));
}

void TestServerFiles::closesAfterEveryReply_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<int>("status");
    QTest::newRow("GET 1.0") << clientGet("/tarnvale/maps.txt") << 200;
    QTest::newRow("GET 1.0 missing") << clientGet("/tarnvale/none.txt") << 404;
    QTest::newRow("POST 1.0") << clientPost("action=badmod&version=2.1211&mod=x") << 200;
    QTest::newRow("GET 1.1, close asked")
        << QByteArray("GET /tarnvale/maps.txt HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n")
        << 200;
    // A kept-alive connection is still closed once a request cannot be parsed.
    QTest::newRow("GET 1.1, then garbage")
        << QByteArray("GET /tarnvale/maps.txt HTTP/1.1\r\nHost: x\r\n\r\nGARBAGE\r\n\r\n") << 200;
    QTest::newRow("garbage request line") << QByteArray("GARBAGE\r\n\r\n") << 400;
    QTest::newRow("unknown method")
        << QByteArray("FETCH /tarnvale/maps.txt HTTP/1.0\r\n\r\n") << 400;
    QTest::newRow("no HTTP version") << QByteArray("GET /tarnvale/maps.txt\r\n\r\n") << 400;
    QTest::newRow("unknown version")
        << QByteArray("GET /tarnvale/maps.txt HTTP/9.9\r\n\r\n") << 400;
    QTest::newRow("target too long") << "GET /" + QByteArray(9000, 'a') + " HTTP/1.0\r\n\r\n"
                                     << 414;
    QTest::newRow("broken chunked body")
        << QByteArray("POST /tarnvale/request.php HTTP/1.0\r\nContent-type: "
                      "application/x-www-form-urlencoded\r\nTransfer-Encoding: chunked\r\n\r\n"
                      "zz\r\n")
        << 400;
}

void TestServerFiles::closesAfterEveryReply()
{
    QFETCH(QByteArray, request);
    QFETCH(int, status);
    const RawReply reply = exchange(m_server.port(), request, 4000);
    QCOMPARE(reply.status, status);
    // Closed right after the reply, well before any idle time-out of the server.
    QVERIFY2(reply.closedByServer, reply.raw.constData());
    QVERIFY2(reply.closeMs < 1500, QByteArray::number(reply.closeMs).constData());
    if (!request.contains("GARBAGE\r"))
        QCOMPARE(reply.header("Content-Length"), QByteArray::number(reply.body.size()));
}

QTEST_GUILESS_MAIN(TestServerFiles)
#include "tst_server_files.moc"
