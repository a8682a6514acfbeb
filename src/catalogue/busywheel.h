#pragma once

#include <QTimer>
#include <QWidget>

namespace tarnvale {

// A small spinning busy indicator. It turns only while it is visible.
class BusyWheel : public QWidget {
    Q_OBJECT
public:
    explicit BusyWheel(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    QTimer m_timer;
    int m_step = 0;
};

} // namespace tarnvale
