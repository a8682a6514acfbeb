#pragma once

#include "app/window.h"

#include <QLabel>
#include <QPixmap>
#include <QString>
#include <QWidget>

class QFrame;
class QPushButton;

namespace tarnvale {

namespace aboutbox {
// The logo, loaded from the program's resources on first use and kept for the run; every
// About window shows this one picture.
const QPixmap &logo2();
// The credits: twelve lines separated by carriage returns.
QString credits();
} // namespace aboutbox

// A picture that reports a press of the mouse on it, without taking the press.
class ImageWell : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

signals:
    void mouseDown(int x, int y);

protected:
    void mousePressEvent(QMouseEvent *event) override;
};

// The About window: the program's name, its logo and the credits.
class about : public Window<QWidget> {
    Q_OBJECT
public:
    explicit about(QWidget *parent = nullptr);

    // Controls, in the order they are created.
    QLabel *StaticText1;
    ImageWell *ImageWell1;
    QPushButton *donebtn;
    QLabel *StaticText2;
    QFrame *Separator1;

    // Handlers. A press on the logo opens the site and is not claimed.
    bool ImageWell1_MouseDown(int x, int y);
    void donebtn_Action();
};

} // namespace tarnvale
