#include "downloads/dlwindow.h"

#include "app/application.h"
#include "app/controls.h"
#include "platform/platform.h"
#include "service/service.h"

#include <QAbstractSocket>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>

namespace tarnvale {

using controls::place;

namespace {

// Why a request failed, for the message that ends the download.
QString failureReason(int code)
{
    using S = QAbstractSocket::SocketError;
    switch (code) {
    case S::ConnectionRefusedError:
        return QStringLiteral("the server refused the connection");
    case S::RemoteHostClosedError:
        return QStringLiteral("the server closed the connection");
    case S::HostNotFoundError:
        return QStringLiteral("the server was not found");
    case S::SocketAccessError:
        return QStringLiteral("the program may not open a connection");
    case S::SocketResourceError:
        return QStringLiteral("the system has no resources left for a connection");
    case S::SocketTimeoutError:
        return QStringLiteral("the connection timed out");
    case S::NetworkError:
        return QStringLiteral("the network failed");
    case S::SslHandshakeFailedError:
        return QStringLiteral("the secure connection could not be set up");
    case platform::HttpRequest::StalledError:
        return QStringLiteral("the server stopped sending");
    case platform::HttpRequest::HeaderTooLargeError:
        return QStringLiteral("the server's reply was not understood");
    case platform::HttpRequest::IncompleteHeaderError:
        return QStringLiteral("the connection ended before the reply began");
    case platform::HttpRequest::BadUrlError:
        return QStringLiteral("the address of the file is not valid");
    }
    return QStringLiteral("error %1").arg(code);
}

} // namespace

dlwindow::dlwindow(QWidget *parent) : Window<QWidget>(parent)
{
    setObjectName(QStringLiteral("dlwindow"));
    setWindowTitle(QStringLiteral("Download :: "));
    setFixedSize(300, 102);
    controls::useLayoutFont(this);

    StaticText1 = place<QLabel>(this, "StaticText1", 109, 30, 71, 20);
    StaticText1->setText(QStringLiteral("Downloading..."));
    StaticText1->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    controls::fitCaption(StaticText1);

    pbar = place<QProgressBar>(this, "pbar", 20, 49, 260, 20);
    pbar->setRange(0, 100);
    pbar->setValue(0);
    pbar->setTextVisible(false);

    EditField1 = place<QLineEdit>(this, "EditField1", 44, 71, 161, 22);
    EditField1->setReadOnly(true);
    EditField1->setFrame(true);

    dlstop = controls::button(this, "dlstop", QStringLiteral("Cancel"), 210, 72, 49, 20);
    connect(dlstop, &QPushButton::clicked, this, &dlwindow::dlstop_Action);

    socket = new platform::HttpRequest(this);
    socket->setObjectName(QStringLiteral("socket"));
    socket->setKeepBody(false); // the body comes piece by piece and goes straight to disk
    connect(socket, &platform::HttpRequest::receiveProgress, this,
            &dlwindow::socket_ReceiveProgress);
    connect(socket, &platform::HttpRequest::pageReceived, this, &dlwindow::socket_PageReceived);
    connect(socket, &platform::HttpRequest::error, this, &dlwindow::socket_Error);
}

dlwindow::~dlwindow()
{
    abandon();
}

QString dlwindow::link() const
{
    return service::downloadUrl(m_author, m_file);
}

void dlwindow::abandon()
{
    socket->close();
    m_part.discard();
    m_sniffer.reset();
}

void dlwindow::start(const QString &author, const QString &file)
{
    const bool running = socket->isActive();
    if (!download::isSafeFileName(file)) {
        // Refused before anything else: a transfer already running here goes on.
        platform::dialogs().message(
            this, QStringLiteral("The file name \"%1\" given by the catalogue cannot be saved in "
                                 "the download folder, so it was not downloaded.")
                      .arg(file));
        if (!running)
            close();
        return;
    }
    ++m_generation;
    abandon();
    m_file = file;
    m_author = author;
    const QString folder = download::resolveFolder(platform::machine().appFolder(), App()->dlto);
    if (!m_part.open(folder, m_file)) {
        failWith(m_part.reason());
        return;
    }
    socket->get(link());
    EditField1->setText(m_file);
}

void dlwindow::socket_ReceiveProgress(qint64 received, qint64 total, const QByteArray &piece)
{
    if (!m_part.write(piece)) {
        failWith(m_part.reason());
        return;
    }
    m_sniffer.feed(piece);
    const std::optional<int> percent = download::progressPercent(received, total);
    if (!percent || *percent == m_shownPercent)
        return; // no total: bar and title stay; same figure: nothing to repaint
    m_shownPercent = *percent;
    // Above its maximum the bar shows full; the title the computed number.
    pbar->setValue(qBound(0, *percent, pbar->maximum()));
    setWindowTitle(QStringLiteral("Download :: %1%").arg(*percent));
}

void dlwindow::socket_PageReceived(const platform::HttpReply &reply)
{
    const quint64 generation = m_generation;
    QPointer<dlwindow> self(this);
    // After a modal box: whether this window should still go on with this transfer's end. A
    // Download pressed meanwhile has started another transfer in it, which then owns it.
    auto stillOurs = [&] { return self && m_generation == generation; };

    if (reply.contentLength >= 0 && reply.bodySize < reply.contentLength) {
        m_part.discard();
        const bool yes = platform::dialogs().question(
            this, QStringLiteral("Error!"),
            QStringLiteral("Error! The download of %1 was cut short: %2 of %3 bytes arrived. "
                           "Would you like to use your browser to download this file?")
                .arg(m_file)
                .arg(reply.bodySize)
                .arg(reply.contentLength));
        if (!stillOurs())
            return;
        if (yes)
            platform::browser().openUrl(link());
        close();
        return;
    }

    const bool errorPage = m_sniffer.found();
    const qint64 length = m_part.written();
    if (errorPage) {
        m_part.discard(); // an error page never gets the mod's name
    } else if (!m_part.commit()) {
        failWith(m_part.reason());
        return;
    }

    if (App()->alertdl) {
        platform::dialogs().message(
            this, QStringLiteral("Your download is done (%1 kb) Scanning for errors...")
                      .arg(download::kilobytes(length)));
        if (!stillOurs())
            return;
    }

    if (errorPage) {
        const bool yes = platform::dialogs().question(
            this, QStringLiteral("Error!"),
            QStringLiteral("Error! The server seems to have sent back a 404 or 400 error, would "
                           "you like to use your browser to download this file?"));
        if (!stillOurs())
            return;
        if (yes)
            platform::browser().openUrl(link());
    }
    close();
}

void dlwindow::socket_Error(int code)
{
    failWith(QStringLiteral("The download of %1 failed: %2.").arg(m_file, failureReason(code)));
}

void dlwindow::failWith(const QString &text)
{
    // Stop and clean up first: while the box is up no further piece may arrive.
    abandon();
    const quint64 generation = m_generation;
    QPointer<dlwindow> self(this);
    platform::dialogs().message(this, text);
    if (self && m_generation == generation)
        close();
}

void dlwindow::dlstop_Action()
{
    close();
}

void dlwindow::closeEvent(QCloseEvent *event)
{
    abandon();
    Window<QWidget>::closeEvent(event);
}

} // namespace tarnvale
