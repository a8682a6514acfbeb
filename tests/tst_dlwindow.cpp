// The download window and the Download hand-off, against an in-process
// service and recording doubles of the desktop.
#include "app/application.h"
#include "app/instance.h"
#include "catalogue/mainwindow.h"
#include "downloads/dlwindow.h"
#include "downloads/transfer.h"
#include "service/service.h"
#include "support/fakeplatform.h"
#include "support/fakeservice.h"
#include "support/testmain.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTreeView>
#include <memory>

using namespace tarnvale;

namespace {
const QByteArray alicePath = "/tarnvale/uploads/alice/moda.zip";
} // namespace

class TestDlWindow : public QObject {
    Q_OBJECT

    std::unique_ptr<FakePlatform> platform;
    std::unique_ptr<FakeService> service;

    QString folder() const { return platform->folder.path() + QStringLiteral("/Mod Downloads"); }
    // Every name in the download folder, temporary files included.
    QStringList leftInFolder() const
    {
        return QDir(folder()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden |
                                        QDir::System);
    }
    QByteArray saved(const QString &name) const
    {
        QFile file(folder() + u'/' + name);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
    // Starts a download as the main window's Download does, and returns the window.
    QPointer<dlwindow> startDownload(const QString &author, const QString &file)
    {
        QPointer<dlwindow> window = instance::dlwindow();
        window->show();
        window->start(author, file);
        return window;
    }
    static bool closes(const QPointer<dlwindow> &window, int ms = 5000)
    {
        return QTest::qWaitFor([&] { return window.isNull() || window->isClosed(); }, ms);
    }
    // A fresh window with a request in flight that the service holds back, so that the test
    // can feed the handlers itself.
    QPointer<dlwindow> heldDownload(const QString &file = QStringLiteral("ModA.ZIP"))
    {
        service->hold();
        QPointer<dlwindow> window = startDownload(QStringLiteral("Alice"), file);
        service->waitForRequests(1);
        return window;
    }
    static platform::HttpReply replyOf(qint64 bodySize, qint64 contentLength = -1)
    {
        platform::HttpReply reply;
        reply.status = 200;
        reply.bodySize = bodySize;
        reply.contentLength = contentLength;
        return reply;
    }

private slots:
    void init()
    {
        platform = std::make_unique<FakePlatform>();
        service = std::make_unique<FakeService>();
        App()->dlto = QStringLiteral("Mod Downloads");
        App()->medl = true;
        App()->alertdl = false;
    }
    void cleanup()
    {
        if (dlwindow *open = instance::dlwindow())
            open->close();
        QTest::qWait(1); // let closed windows go
        service.reset();
        platform.reset();
    }

    // --- figures ---------------------------------------------------------------------------

    void progressFigure_data()
    {
        QTest::addColumn<qint64>("received");
        QTest::addColumn<qint64>("total");
        QTest::addColumn<int>("percent"); // -1: no figure
        QTest::newRow("29 of 100 truncates 28.999...") << qint64(29) << qint64(100) << 28;
        QTest::newRow("0 of 500") << qint64(0) << qint64(500) << 0;
        QTest::newRow("500 of 500") << qint64(500) << qint64(500) << 100;
        QTest::newRow("no total") << qint64(1234) << qint64(0) << -1;
        QTest::newRow("more than announced") << qint64(150) << qint64(100) << 150;
        QTest::newRow("beyond 2 GiB") << (qint64(3) << 30) << (qint64(6) << 30) << 50;
    }
    void progressFigure()
    {
        QFETCH(qint64, received);
        QFETCH(qint64, total);
        QFETCH(int, percent);
        QCOMPARE(download::progressPercent(received, total).value_or(-1), percent);
    }

    void progressShown_data()
    {
        QTest::addColumn<qint64>("received");
        QTest::addColumn<qint64>("total");
        QTest::addColumn<int>("bar");
        QTest::addColumn<QString>("title");
        QTest::newRow("29/100") << qint64(29) << qint64(100) << 28 << "Download :: 28%";
        QTest::newRow("0/500") << qint64(0) << qint64(500) << 0 << "Download :: 0%";
        QTest::newRow("500/500") << qint64(500) << qint64(500) << 100 << "Download :: 100%";
        QTest::newRow("no total: unchanged") << qint64(40) << qint64(0) << 7 << "Download :: 7%";
        QTest::newRow("above 100") << qint64(150) << qint64(100) << 100 << "Download :: 150%";
    }
    void progressShown()
    {
        QFETCH(qint64, received);
        QFETCH(qint64, total);
        QFETCH(int, bar);
        QFETCH(QString, title);
        QPointer<dlwindow> window = heldDownload();
        QCOMPARE(window->windowTitle(), QStringLiteral("Download :: "));
        QCOMPARE(window->pbar->value(), 0);
        window->socket_ReceiveProgress(7, 100, QByteArray()); // an earlier figure
        window->socket_ReceiveProgress(received, total, QByteArray());
        QCOMPARE(window->pbar->value(), bar);
        QCOMPARE(window->windowTitle(), title);
    }

    void kilobytes_data()
    {
        QTest::addColumn<qint64>("length");
        QTest::addColumn<qint64>("kb");
        QTest::newRow("1,048,576") << qint64(1048576) << qint64(1024);
        QTest::newRow("2,047") << qint64(2047) << qint64(2);
        QTest::newRow("1,535") << qint64(1535) << qint64(1);
        QTest::newRow("100") << qint64(100) << qint64(0);
        QTest::newRow("0") << qint64(0) << qint64(0);
        QTest::newRow("512, a half, goes up") << qint64(512) << qint64(1);
        QTest::newRow("1,536, a half, goes up") << qint64(1536) << qint64(2);
        QTest::newRow("5 GiB") << (qint64(5) << 30) << (qint64(5) << 20);
    }
    void kilobytes()
    {
        QFETCH(qint64, length);
        QFETCH(qint64, kb);
        QCOMPARE(download::kilobytes(length), kb);
    }

    // --- the "<html>" test on the stream ----------------------------------------------------

    void sniffer_data()
    {
        QTest::addColumn<QByteArrayList>("pieces");
        QTest::addColumn<bool>("found");
        QTest::newRow("lower") << QByteArrayList{"abc<html>def"} << true;
        QTest::newRow("upper") << QByteArrayList{"<HTML>"} << true;
        QTest::newRow("mixed") << QByteArrayList{"x<hTmL>"} << true;
        QTest::newRow("at the end") << QByteArrayList{"xxxxxxx", "<html>"} << true;
        QTest::newRow("split 1|5") << QByteArrayList{"zz<", "html>zz"} << true;
        QTest::newRow("split 3|3") << QByteArrayList{"zz<ht", "ml>"} << true;
        QTest::newRow("split 5|1") << QByteArrayList{"<HTML", ">"} << true;
        QTest::newRow("one byte a piece")
            << QByteArrayList{"q", "<", "H", "t", "m", "L", ">", "q"} << true;
        QTest::newRow("over three pieces") << QByteArrayList{"aaaa<h", "t", "ml>bbbb"} << true;
        QTest::newRow("no close") << QByteArrayList{"<html", " >"} << false;
        QTest::newRow("other tag") << QByteArrayList{"<head><body>"} << false;
        QTest::newRow("unfinished") << QByteArrayList{"<htm"} << false;
        QTest::newRow("plain 404") << QByteArrayList{"404 Not Found"} << false;
        QTest::newRow("empty") << QByteArrayList{} << false;
        QTest::newRow("high bytes") << QByteArrayList{QByteArray("<\xc8\xd4\xcd\xcc>", 6)} << false;
    }
    void sniffer()
    {
        QFETCH(QByteArrayList, pieces);
        QFETCH(bool, found);
        download::HtmlSniffer sniffer;
        for (const QByteArray &piece : pieces)
            sniffer.feed(piece);
        QCOMPARE(sniffer.found(), found);
    }

    // A body that holds "<html>" split across two pieces is an error page for the window.
    void errorPageSplitAcrossPieces()
    {
        QPointer<dlwindow> window = heldDownload();
        window->socket_ReceiveProgress(5, 0, "ab<HT");
        window->socket_ReceiveProgress(10, 0, "ml>cd");
        window->socket_PageReceived(replyOf(10));
        QVERIFY(closes(window));
        QCOMPARE(platform->questions.size(), 1);
        QCOMPARE(leftInFolder(), QStringList());
    }

    // --- completed transfers ----------------------------------------------------------------

    void goodDownloadSavedUnderRequestedName()
    {
        const QByteArray body = QByteArray("PK\x03\x04 mod bytes\r\n\0end", 20);
        service->setReply(alicePath, body);
        QPointer<dlwindow> window =
            startDownload(QStringLiteral("Alice"), QStringLiteral("ModA.ZIP"));
        QCOMPARE(window->EditField1->text(), QStringLiteral("ModA.ZIP"));
        QVERIFY(closes(window));
        QCOMPARE(FakeService::requestPath(service->requests.value(0)), alicePath);
        QCOMPARE(leftInFolder(), QStringList{QStringLiteral("ModA.ZIP")});
        QCOMPARE(saved(QStringLiteral("ModA.ZIP")), body);
        QCOMPARE(platform->messages, QStringList()); // alertdl off: no message at all
        QCOMPARE(platform->questions, QStringList());
    }

    void sizeMessageWhenAlertOn()
    {
        App()->alertdl = true;
        service->setReply(alicePath, QByteArray(2047, 'm'));
        QStringList seenThen;
        platform->whileModal = [&](const QString &) { seenThen = leftInFolder(); };
        QPointer<dlwindow> window =
            startDownload(QStringLiteral("Alice"), QStringLiteral("ModA.ZIP"));
        QVERIFY(closes(window));
        QCOMPARE(platform->messages, QStringList{QStringLiteral(
                                         "Your download is done (2 kb) Scanning for errors...")});
        QCOMPARE(seenThen, QStringList{QStringLiteral("ModA.ZIP")}); // saved before the message
    }

    void plain404Saved()
    {
        service->setReply(alicePath, "404 Not Found", 404);
        QPointer<dlwindow> window =
            startDownload(QStringLiteral("Alice"), QStringLiteral("ModA.ZIP"));
        QVERIFY(closes(window));
        QCOMPARE(saved(QStringLiteral("ModA.ZIP")), QByteArray("404 Not Found"));
        QCOMPARE(platform->questions, QStringList());
    }

    void emptyBodySavedAsEmptyFile()
    {
        App()->alertdl = true;
        service->setRawReply(alicePath, QByteArray()); // the service closes without a word
        QPointer<dlwindow> window =
            startDownload(QStringLiteral("Alice"), QStringLiteral("ModA.ZIP"));
        QVERIFY(closes(window));
        QCOMPARE(leftInFolder(), QStringList{QStringLiteral("ModA.ZIP")});
        QCOMPARE(saved(QStringLiteral("ModA.ZIP")), QByteArray());
        QCOMPARE(platform->messages, QStringList{QStringLiteral(
                                         "Your download is done (0 kb) Scanning for errors...")});
        QCOMPARE(platform->questions, QStringList());
    }

    void errorPageQuestion_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("yes");
        QTest::newRow("<html>, Yes") << QByteArray("<html><body>gone</body></html>") << true;
        QTest::newRow("<html>, No") << QByteArray("<html><body>gone</body></html>") << false;
        QTest::newRow("<HTML>, Yes") << QByteArray("x<HTML>y") << true;
        QTest::newRow("mod holding <html>, No") << QByteArray("PK\x03\x04..<html>..") << false;
    }
    void errorPageQuestion()
    {
        QFETCH(QByteArray, body);
        QFETCH(bool, yes);
        App()->alertdl = true;
        service->setReply(alicePath, body, 404);
        platform->answers = {yes};
        QList<QStringList> seen;
        platform->whileModal = [&](const QString &) { seen.append(leftInFolder()); };
        QPointer<dlwindow> window =
            startDownload(QStringLiteral("Alice"), QStringLiteral("ModA.ZIP"));
        QVERIFY(closes(window));
        // The size message first, then the question; no file of any name at either.
        QCOMPARE(platform->messages.size(), 1);
        QVERIFY(platform->messages[0].startsWith(QStringLiteral("Your download is done (")));
        QCOMPARE(platform->questions,
                 QStringList{QStringLiteral(
                     "Error!: Error! The server seems to have sent back a 404 or 400 error, "
                     "would you like to use your browser to download this file?")});
        QCOMPARE(seen, (QList<QStringList>{{}, {}}));
        QCOMPARE(leftInFolder(), QStringList());
        QCOMPARE(platform->opened,
                 yes ? QStringList{(service->baseUrl() + QString::fromLatin1(alicePath)).toLower()}
                     : QStringList());
    }

    void truncatedTransferRejected_data()
    {
        QTest::addColumn<bool>("yes");
        QTest::newRow("Yes") << true;
        QTest::newRow("No") << false;
    }
    void truncatedTransferRejected()
    {
        QFETCH(bool, yes);
        App()->alertdl = true;
        service->setRawReply(alicePath, "HTTP/1.0 200 OK\r\nContent-Length: 100\r\n\r\n" +
                                            QByteArray(40, 'm'));
        platform->answers = {yes};
        QPointer<dlwindow> window =
            startDownload(QStringLiteral("Alice"), QStringLiteral("ModA.ZIP"));
        QVERIFY(closes(window));
        QCOMPARE(leftInFolder(), QStringList());
        QCOMPARE(platform->messages, QStringList()); // no "download is done"
        QCOMPARE(platform->questions.size(), 1);
        QVERIFY2(platform->questions[0].contains(QStringLiteral("cut short: 40 of 100 bytes")),
                 qPrintable(platform->questions[0]));
        QCOMPARE(platform->opened.size(), yes ? 1 : 0);
    }

    void moreThanAnnouncedIsKept()
    {
        service->setRawReply(alicePath, "HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nabcd");
        QPointer<dlwindow> window =
            startDownload(QStringLiteral("Alice"), QStringLiteral("ModA.ZIP"));
        QVERIFY(closes(window));
        QCOMPARE(saved(QStringLiteral("ModA.ZIP")), QByteArray("abcd"));
    }

    void existingFileReplaced()
    {
        QDir().mkpath(folder());
        QFile old(folder() + QStringLiteral("/ModA.ZIP"));
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("an older, longer download");
        old.close();
        service->setReply(alicePath, "new");
        QPointer<dlwindow> window =
            startDownload(QStringLiteral("Alice"), QStringLiteral("ModA.ZIP"));
        QVERIFY(closes(window));
        QCOMPARE(saved(QStringLiteral("ModA.ZIP")), QByteArray("new"));
    }

    // --- streaming --------------------------------------------------------------------------

    void onlyTemporaryFileWhileReceiving()
    {
        QPointer<dlwindow> window = heldDownload();
        QCOMPARE(leftInFolder(), QStringList{QStringLiteral("ModA.ZIP.part")});
        window->socket_ReceiveProgress(3, 6, "abc");
        window->socket_ReceiveProgress(6, 6, "def");
        QCOMPARE(leftInFolder(), QStringList{QStringLiteral("ModA.ZIP.part")});
        window->socket_PageReceived(replyOf(6, 6));
        QVERIFY(closes(window));
        QCOMPARE(leftInFolder(), QStringList{QStringLiteral("ModA.ZIP")});
        QCOMPARE(saved(QStringLiteral("ModA.ZIP")), QByteArray("abcdef"));
    }

    void largeBodyStreamed()
    {
        // 8 MiB of a pattern, in the pieces the socket hands out; the request object keeps none.
        QByteArray body(8 << 20, Qt::Uninitialized);
        for (qsizetype i = 0; i < body.size(); ++i)
            body[i] = char((i * 7 + i / 977) & 0xff);
        body.replace("<", "(");
        service->setReply(alicePath, body);
        QPointer<dlwindow> window =
            startDownload(QStringLiteral("Alice"), QStringLiteral("ModA.ZIP"));
        QSignalSpy pages(window->socket, &platform::HttpRequest::pageReceived);
        QVERIFY(closes(window, 20000));
        QCOMPARE(pages.size(), 1);
        QVERIFY(pages[0][0].value<platform::HttpReply>().body.isEmpty());
        QCOMPARE(saved(QStringLiteral("ModA.ZIP")) == body, true);
    }

    // --- Cancel, a second Download, failures -------------------------------------------------

    void cancelLeavesNothing()
    {
        QPointer<dlwindow> window = heldDownload();
        window->socket_ReceiveProgress(3, 100, "abc");
        window->dlstop->click();
        QVERIFY(closes(window));
        service->setReply(alicePath, "late");
        service->release();
        QTest::qWait(100);
        QCOMPARE(leftInFolder(), QStringList());
        QCOMPARE(platform->messages, QStringList());
    }

    void closeBoxLeavesNothing()
    {
        QPointer<dlwindow> window = heldDownload();
        window->socket_ReceiveProgress(3, 100, "abc");
        window->close();
        QVERIFY(closes(window));
        QCOMPARE(leftInFolder(), QStringList());
    }

    void secondDownloadDropsFirst()
    {
        service->setReply(alicePath, "first");
        service->setReply("/tarnvale/uploads/bob/modb.zip", "second");
        service->hold();
        QPointer<dlwindow> window =
            startDownload(QStringLiteral("Alice"), QStringLiteral("ModA.ZIP"));
        QVERIFY(service->waitForRequests(1));
        QPointer<dlwindow> again = startDownload(QStringLiteral("Bob"), QStringLiteral("ModB.zip"));
        QCOMPARE(again, window); // the same window
        QCOMPARE(window->EditField1->text(), QStringLiteral("ModB.zip"));
        QVERIFY(service->waitForRequests(2));
        QSignalSpy pages(window->socket, &platform::HttpRequest::pageReceived);
        service->release();
        QVERIFY(closes(window));
        QCOMPARE(pages.size(), 1);
        QCOMPARE(leftInFolder(), QStringList{QStringLiteral("ModB.zip")});
        QCOMPARE(saved(QStringLiteral("ModB.zip")), QByteArray("second"));
    }

    void failedRequestTold()
    {
        // A port on which nothing listens: the connection is refused.
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        const quint16 port = probe.serverPort();
        probe.close();
        service::setBaseUrl(QStringLiteral("http://127.0.0.1:%1").arg(port));
        QPointer<dlwindow> window =
            startDownload(QStringLiteral("Alice"), QStringLiteral("ModA.ZIP"));
        QVERIFY(closes(window));
        QCOMPARE(platform->messages,
                 QStringList{QStringLiteral(
                     "The download of ModA.ZIP failed: the server refused the connection.")});
        QCOMPARE(leftInFolder(), QStringList());
    }

    void stalledRequestTold()
    {
        QPointer<dlwindow> window = heldDownload();
        window->socket_Error(platform::HttpRequest::StalledError);
        QVERIFY(closes(window));
        QCOMPARE(platform->messages,
                 QStringList{QStringLiteral(
                     "The download of ModA.ZIP failed: the server stopped sending.")});
        QCOMPARE(leftInFolder(), QStringList());
    }

    // --- file names and folders -------------------------------------------------------------

    void refusedFileName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("empty") << QString();
        QTest::newRow(".") << QStringLiteral(".");
        QTest::newRow("..") << QStringLiteral("..");
        QTest::newRow("slash") << QStringLiteral("a/b.zip");
        QTest::newRow("parent") << QStringLiteral("../../etc/passwd");
        QTest::newRow("absolute") << QStringLiteral("/tmp/x.zip");
        QTest::newRow("backslash") << QStringLiteral("..\\x.zip");
        QTest::newRow("NUL") << QStringLiteral("a") + QChar(0) + QStringLiteral("b.zip");
    }
    void refusedFileName()
    {
        QFETCH(QString, name);
        QVERIFY(!download::isSafeFileName(name));
        QPointer<dlwindow> window = startDownload(QStringLiteral("Alice"), name);
        QVERIFY(closes(window));
        QTest::qWait(50);
        QCOMPARE(service->requests.size(), 0); // no request
        QCOMPARE(platform->messages.size(), 1);
        QVERIFY(platform->messages[0].contains(QStringLiteral("cannot be saved")));
        QVERIFY(!QFileInfo::exists(folder()));
    }

    void acceptedFileName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("dots inside") << QStringLiteral("my..mod.zip");
        QTest::newRow("leading dot") << QStringLiteral(".hidden");
        QTest::newRow("space and colon") << QStringLiteral("Mod A: v2.zip");
    }
    void acceptedFileName()
    {
        QFETCH(QString, name);
        QVERIFY(download::isSafeFileName(name));
    }

    void refusedNameKeepsRunningTransfer()
    {
        QPointer<dlwindow> window = heldDownload();
        window->start(QStringLiteral("Bob"), QStringLiteral("../evil"));
        QVERIFY(!window->isClosed());
        QCOMPARE(window->requestedFile(), QStringLiteral("ModA.ZIP"));
        QVERIFY(window->socket->isActive());
    }

    void folderCreatedWhenMissingAndEmptyDltoIsAppFolder_data()
    {
        QTest::addColumn<QString>("dlto");
        QTest::addColumn<QString>("relative");
        QTest::newRow("missing, nested")
            << QStringLiteral("a/b/Mods") << QStringLiteral("a/b/Mods");
        QTest::newRow("empty: the app folder") << QString() << QStringLiteral(".");
    }
    void folderCreatedWhenMissingAndEmptyDltoIsAppFolder()
    {
        QFETCH(QString, dlto);
        QFETCH(QString, relative);
        App()->dlto = dlto;
        service->setReply(alicePath, "mod");
        QPointer<dlwindow> window =
            startDownload(QStringLiteral("Alice"), QStringLiteral("ModA.ZIP"));
        QVERIFY(closes(window));
        QFile file(QDir(platform->folder.path()).filePath(relative + QStringLiteral("/ModA.ZIP")));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("mod"));
    }

    void unwritableFolder_data()
    {
        QTest::addColumn<QString>(
            "blocker"); // a file standing at this path, relative to the app folder
        QTest::addColumn<QString>("dlto");
        QTest::addColumn<QString>("named"); // the path the message must name
        QTest::newRow("a file at the folder's path") << "Mod Downloads"
                                                     << "Mod Downloads"
                                                     << "Mod Downloads";
        QTest::newRow("a file in the way of the folder") << "plain"
                                                         << "plain/Mods"
                                                         << "plain/Mods";
    }
    void unwritableFolder()
    {
        QFETCH(QString, blocker);
        QFETCH(QString, dlto);
        QFETCH(QString, named);
        const QDir app(platform->folder.path());
        QFile block(app.filePath(blocker));
        QVERIFY(block.open(QIODevice::WriteOnly));
        block.close();
        App()->dlto = dlto;
        QPointer<dlwindow> window =
            startDownload(QStringLiteral("Alice"), QStringLiteral("ModA.ZIP"));
        QVERIFY(closes(window));
        QCOMPARE(service->requests.size(), 0);
        QCOMPARE(platform->messages.size(), 1);
        QVERIFY2(platform->messages[0].contains(QDir::toNativeSeparators(app.filePath(named))),
                 qPrintable(platform->messages[0]));
        QVERIFY2(platform->messages[0].contains(QStringLiteral("\": ")),
                 qPrintable(platform->messages[0]));
        QCOMPARE(QFileInfo(app.filePath(blocker)).size(), 0); // untouched
    }

    void folderAtTargetName()
    {
        QVERIFY(QDir().mkpath(folder() + QStringLiteral("/ModA.ZIP")));
        service->setReply(alicePath, "mod");
        QPointer<dlwindow> window =
            startDownload(QStringLiteral("Alice"), QStringLiteral("ModA.ZIP"));
        QVERIFY(closes(window));
        QCOMPARE(platform->messages.size(), 1);
        QVERIFY2(platform->messages[0].startsWith(QStringLiteral("Could not save the file \"")),
                 qPrintable(platform->messages[0]));
        QCOMPARE(leftInFolder(), QStringList{QStringLiteral("ModA.ZIP")}); // the folder only
        QVERIFY(QFileInfo(folder() + QStringLiteral("/ModA.ZIP")).isDir());
    }

    void symlinksNotFollowed_data()
    {
        QTest::addColumn<QString>("linkName");
        QTest::newRow("link at the target") << QStringLiteral("ModA.ZIP");
        QTest::newRow("link at the temporary file") << QStringLiteral("ModA.ZIP.part");
    }
    void symlinksNotFollowed()
    {
        QFETCH(QString, linkName);
        QTemporaryDir outside;
        const QString victim = outside.filePath(QStringLiteral("victim"));
        QFile v(victim);
        QVERIFY(v.open(QIODevice::WriteOnly));
        v.write("keep me");
        v.close();
        QVERIFY(QDir().mkpath(folder()));
        QVERIFY(QFile::link(victim, folder() + u'/' + linkName));
        service->setReply(alicePath, "mod");
        QPointer<dlwindow> window =
            startDownload(QStringLiteral("Alice"), QStringLiteral("ModA.ZIP"));
        QVERIFY(closes(window));
        QVERIFY(v.open(QIODevice::ReadOnly));
        QCOMPARE(v.readAll(), QByteArray("keep me"));
        QVERIFY(!QFileInfo(folder() + QStringLiteral("/ModA.ZIP")).isSymLink());
        QCOMPARE(saved(QStringLiteral("ModA.ZIP")), QByteArray("mod"));
    }

    // --- the hand-off from the main window --------------------------------------

    void handOff_data()
    {
        QTest::addColumn<bool>("medl");
        QTest::newRow("medl on: the download window") << true;
        QTest::newRow("medl off: the browser") << false;
    }
    void handOff()
    {
        QFETCH(bool, medl);
        service->setReply("/tarnvale/pcmods2.txt",
                          "Mod A|Alice|Map One|ModA.ZIP;Mod B|Bob|Map|ModB.zip");
        service->setReply(alicePath, "mod a");
        std::unique_ptr<tarnvale::main> window(instance::main());
        App()->medl = medl;
        App()->dlto = QStringLiteral("Mod Downloads");
        App()->alertdl = false;
        window->gameselect->setCurrentIndex(2);
        QTRY_VERIFY(window->gameselect->isEnabled());
        if (medl)
            service->hold();
        window->mods->setCurrentIndex(window->mods->model()->index(0, 0));
        window->downloadbtn->click();
        if (!medl) {
            QCOMPARE(platform->opened,
                     QStringList{(service->baseUrl() + QString::fromLatin1(alicePath)).toLower()});
            QCOMPARE(service->requests.size(), 1); // the list only
            return;
        }
        QPointer<dlwindow> dl = instance::dlwindow();
        QVERIFY(dl->isVisible());
        QCOMPARE(dl->EditField1->text(), QStringLiteral("ModA.ZIP"));
        QVERIFY(service->waitForRequests(2));
        QCOMPARE(FakeService::requestPath(service->requests[1]), alicePath);
        // Another selection meanwhile changes nothing of the running download.
        window->mods->setCurrentIndex(window->mods->model()->index(1, 0));
        QCOMPARE(window->modfile, QStringLiteral("ModB.zip"));
        service->release();
        QVERIFY(closes(dl));
        QCOMPARE(leftInFolder(), QStringList{QStringLiteral("ModA.ZIP")});
        QCOMPARE(platform->opened, QStringList());
    }
};

TARNVALE_TEST_MAIN(TestDlWindow)
#include "tst_dlwindow.moc"
