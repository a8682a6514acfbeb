#pragma once

#include <QFont>
#include <QPushButton>
#include <QRect>
#include <QString>
#include <QWidget>
#include <algorithm>

// Placing controls the way every window of the program does: a named child at a fixed
// position and size in its window's content area.
namespace tarnvale::controls {

template <class W>
W *place(QWidget *parent, const char *name, int left, int top, int width, int height)
{
    auto *widget = new W(parent);
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(left, top, width, height);
    return widget;
}

// A push button that Return never presses: no window of the program has a default button.
inline QPushButton *button(QWidget *parent, const char *name, const QString &caption, int left,
                           int top, int width, int height)
{
    auto *b = place<QPushButton>(parent, name, left, top, width, height);
    b->setText(caption);
    b->setAutoDefault(false);
    b->setDefault(false);
    return b;
}

// The windows laid out to the pixel for a small system font take that font, so that their
// captions are not cut off or run into each other at the desktop's larger default.
inline void useLayoutFont(QWidget *window)
{
    QFont small = window->font();
    small.setPixelSize(10);
    window->setFont(small);
}

// Widens a caption that the desktop's font draws wider than its place allows, so that it is
// not cut off; its left edge stays, or its right edge when it stands against the control it
// names.
inline void fitCaption(QWidget *widget, bool keepRightEdge = false)
{
    const int needed = widget->sizeHint().width();
    QRect rect = widget->geometry();
    if (needed <= rect.width())
        return;
    if (keepRightEdge)
        rect.setLeft(std::max(0, rect.right() + 1 - needed));
    else
        rect.setWidth(needed);
    widget->setGeometry(rect);
}

} // namespace tarnvale::controls
