#pragma once

#include <QWidget>

#include "app/window.h"

namespace tarnvale {

class about : public Window<QWidget> {
    Q_OBJECT
public:
    explicit about(QWidget *parent = nullptr);
};

} // namespace tarnvale
