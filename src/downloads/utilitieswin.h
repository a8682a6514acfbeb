#pragma once

#include <QWidget>

#include "app/window.h"

namespace tarnvale {

class utilitieswin : public Window<QWidget> {
    Q_OBJECT
public:
    explicit utilitieswin(QWidget *parent = nullptr);
};

} // namespace tarnvale
