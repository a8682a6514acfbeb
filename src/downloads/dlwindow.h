#pragma once

#include "app/window.h"
#include "downloads/transfer.h"
#include "platform/httprequest.h"

#include <QWidget>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace tarnvale {

// The download window: one in-program download of a mod file. The body is streamed
// into "<modfile>.part" in the download folder as it arrives and renamed onto `modfile` only
// when the transfer has ended and passed the checks; memory stays flat whatever the size.
class dlwindow : public Window<QWidget> {
    Q_OBJECT
public:
    explicit dlwindow(QWidget *parent = nullptr);
    ~dlwindow() override;

    // What the main window's Download does once the window is visible: abandons a
    // transfer in flight, keeps `file` and `author` for this download, GETs the lower-cased
    // upload address on `socket` and shows `file` in `EditField1`. A file name that would leave
    // the download folder is refused with a message before any request; a folder or file that
    // cannot be written is reported by a message naming the path and the reason. Either closes
    // the window unless an earlier transfer is still running in it.
    void start(const QString &author, const QString &file);

    // The mod of the transfer in flight, as it was when it started.
    QString requestedFile() const { return m_file; }
    QString requestedAuthor() const { return m_author; }

    // Controls.
    QLabel *StaticText1;
    QProgressBar *pbar;
    QLineEdit *EditField1;
    QPushButton *dlstop;
    platform::HttpRequest *socket;

    // Handlers.
    void socket_ReceiveProgress(qint64 received, qint64 total, const QByteArray &piece);
    void socket_PageReceived(const platform::HttpReply &reply);
    void socket_Error(int code);
    void dlstop_Action();

protected:
    // The close box, like Cancel, abandons the transfer and leaves no file.
    void closeEvent(QCloseEvent *event) override;

private:
    void abandon();
    // Ends the transfer after a failure: no file kept, a message, the window closed.
    void failWith(const QString &text);
    QString link() const;

    QString m_file;
    QString m_author;
    download::PartFile m_part;
    download::HtmlSniffer m_sniffer;
    int m_shownPercent = -1;  // the figure in the title; -1 while it shows none
    quint64 m_generation = 0; // changes with every start(), to notice one during a modal box
};

} // namespace tarnvale
