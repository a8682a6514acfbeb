#pragma once

#include "platform/platform.h"

#include <QList>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>

// Recording doubles of the desktop services, installed for the life of the object. Modal
// boxes return at once: a message is recorded, a question takes the next scripted answer.
class FakePlatform final : public tarnvale::platform::Browser,
                           public tarnvale::platform::Dialogs,
                           public tarnvale::platform::Sound,
                           public tarnvale::platform::Machine {
public:
    FakePlatform();
    ~FakePlatform() override;

    void openUrl(const QString &url) override;
    void message(QWidget *parent, const QString &text) override;
    bool question(QWidget *parent, const QString &title, const QString &text) override;
    void beep() override;
    QString address() override;
    QString appFolder() override;

    QStringList opened;    // URLs handed to the browser
    QStringList messages;  // texts of message boxes, in order
    QStringList questions; // "title: text" of question boxes, in order
    int beeps = 0;
    QList<bool> answers; // answers to the next questions; No once they run out
    // Runs while a message or question box is "on screen", to look at the state then.
    std::function<void(const QString &text)> whileModal;

    QString ip = QStringLiteral("192.0.2.10");
    QTemporaryDir folder;           // a fresh folder for each test
    QString appDir = folder.path(); // the application's folder; may point elsewhere
};
