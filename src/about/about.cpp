#include "about/about.h"

#include "app/controls.h"
#include "platform/platform.h"
#include "service/service.h"

#include <QCoreApplication>
#include <QFrame>
#include <QMouseEvent>
#include <QPushButton>

// The resources live in a static library, whose registration nothing would pull in unless
// asked for by name.
static void initAboutResources()
{
    Q_INIT_RESOURCE(about);
}

namespace tarnvale {

using controls::button;
using controls::place;

namespace aboutbox {

namespace {
QPixmap *loaded = nullptr;
}

const QPixmap &logo2()
{
    if (!loaded) {
        initAboutResources();
        loaded = new QPixmap(QStringLiteral(":/about/logo2.png"));
        // Drawn at twice the well's size, so it stays sharp on high-density screens.
        loaded->setDevicePixelRatio(2.0);
        // A pixmap must go before the application object does.
        qAddPostRoutine([] {
            delete loaded;
            loaded = nullptr;
        });
    }
    return *loaded;
}

QString credits()
{
    const QStringList lines{
        QStringLiteral("Made by:"),
        QStringLiteral("The Tarnvale team"),
        QStringLiteral("(tarn)"),
        QString(),
        QString(),
        QString(),
        QStringLiteral("This program was made using:"),
        QStringLiteral("C++ and Qt"),
        QString(),
        QStringLiteral("Special Thanks:"),
        QStringLiteral("Our own catalogue service (for hosting the downloads and files)"),
        QStringLiteral("Tarnvale 2 users (for downloading it)"),
    };
    return lines.join(u'\r');
}

} // namespace aboutbox

void ImageWell::mousePressEvent(QMouseEvent *event)
{
    emit mouseDown(event->position().toPoint().x(), event->position().toPoint().y());
    event->ignore();
}

about::about(QWidget *parent) : Window<QWidget>(parent)
{
    setObjectName(QStringLiteral("about"));
    setWindowTitle(QStringLiteral("Tarnvale 2 :: About"));
    setFixedSize(377, 293);
    controls::useLayoutFont(this);

    StaticText1 = place<QLabel>(this, "StaticText1", 212, 6, 59, 20);
    StaticText1->setText(QStringLiteral("Tarnvale 2"));
    StaticText1->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    controls::fitCaption(StaticText1);

    ImageWell1 = place<ImageWell>(this, "ImageWell1", 0, 0, 200, 200);
    ImageWell1->setPixmap(aboutbox::logo2());
    ImageWell1->setAlignment(Qt::AlignCenter);
    connect(ImageWell1, &ImageWell::mouseDown, this, &about::ImageWell1_MouseDown);

    donebtn = button(this, "donebtn", QStringLiteral("Close"), 319, 265, 58, 20);
    connect(donebtn, &QPushButton::clicked, this, &about::donebtn_Action);

    StaticText2 = place<QLabel>(this, "StaticText2", 211, 26, 166, 188);
    StaticText2->setTextFormat(Qt::PlainText);
    // Qt breaks lines at line feeds only.
    StaticText2->setText(aboutbox::credits().replace(u'\r', u'\n'));
    StaticText2->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    StaticText2->setWordWrap(true);

    Separator1 = place<QFrame>(this, "Separator1", 0, 249, 377, 4);
    Separator1->setFrameShape(QFrame::HLine);
    Separator1->setFrameShadow(QFrame::Sunken);
}

bool about::ImageWell1_MouseDown(int, int)
{
    platform::browser().openUrl(service::baseUrl() + u'/');
    return false;
}

void about::donebtn_Action()
{
    close();
}

} // namespace tarnvale
