#pragma once

#include <QWidget>

#include "app/window.h"

namespace tarnvale {

class settingswin : public Window<QWidget> {
    Q_OBJECT
public:
    explicit settingswin(QWidget *parent = nullptr);
};

} // namespace tarnvale
