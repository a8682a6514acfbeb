#include "catalogue/busywheel.h"

#include <QPainter>

namespace tarnvale {

namespace {
constexpr int spokes = 8;
}

BusyWheel::BusyWheel(QWidget *parent) : QWidget(parent)
{
    m_timer.setInterval(100);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        m_step = (m_step + 1) % spokes;
        update();
    });
}

void BusyWheel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(width() / 2.0, height() / 2.0);
    const qreal radius = qMin(width(), height()) / 2.0;
    QColor colour = palette().color(QPalette::WindowText);
    for (int i = 0; i < spokes; ++i) {
        // The spoke at the current step is darkest; the others fade behind it.
        colour.setAlphaF(1.0 - ((i - m_step + spokes) % spokes) / qreal(spokes));
        painter.setPen(QPen(colour, radius / 4, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(QPointF(0, -radius * 0.45), QPointF(0, -radius * 0.85));
        painter.rotate(-360.0 / spokes);
    }
}

void BusyWheel::showEvent(QShowEvent *)
{
    m_timer.start();
}

void BusyWheel::hideEvent(QHideEvent *)
{
    m_timer.stop();
}

} // namespace tarnvale
