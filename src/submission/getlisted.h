#pragma once

#include <QWidget>

#include "app/window.h"

namespace tarnvale {

class getlisted : public Window<QWidget> {
    Q_OBJECT
public:
    explicit getlisted(QWidget *parent = nullptr);
};

} // namespace tarnvale
