#pragma once

#include <QCloseEvent>
#include <QPointer>
#include <QWidget>

namespace tarnvale {

// Base of every window of the program: a fixed-size top-level window with a close and a
// minimise box that is destroyed when it closes. A closed window is gone at once for the
// accessors, even though Qt deletes it a little later from the event loop.
template <class Base> class Window : public Base {
public:
    explicit Window(QWidget *parent = nullptr) : Base(parent)
    {
        this->setAttribute(Qt::WA_DeleteOnClose);
        this->setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                             Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    }
    bool isClosed() const { return m_closed; }

protected:
    void closeEvent(QCloseEvent *event) override
    {
        Base::closeEvent(event);
        if (event->isAccepted())
            m_closed = true;
    }

private:
    bool m_closed = false;
};

namespace detail {
// The open instance of W, or a new one, which shows itself on creation.
template <class W> W *openOrCreate()
{
    static QPointer<W> open;
    if (!open || open->isClosed()) {
        open = new W;
        open->show();
    }
    return open;
}
} // namespace detail

} // namespace tarnvale
