#pragma once

#include <QWidget>

#include "app/window.h"

namespace tarnvale {

class dlwindow : public Window<QWidget> {
    Q_OBJECT
public:
    explicit dlwindow(QWidget *parent = nullptr);
};

} // namespace tarnvale
