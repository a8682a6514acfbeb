#include "support/fakeplatform.h"

FakePlatform::FakePlatform()
{
    tarnvale::platform::install(this, this, this, this);
}

FakePlatform::~FakePlatform()
{
    tarnvale::platform::install(nullptr, nullptr, nullptr, nullptr);
}

void FakePlatform::openUrl(const QString &url)
{
    opened.append(url);
}

void FakePlatform::message(QWidget *, const QString &text)
{
    messages.append(text);
    if (whileModal)
        whileModal(text);
}

bool FakePlatform::question(QWidget *, const QString &title, const QString &text)
{
    questions.append(title + QStringLiteral(": ") + text);
    if (whileModal)
        whileModal(text);
    return answers.isEmpty() ? false : answers.takeFirst();
}

void FakePlatform::beep()
{
    ++beeps;
}

QString FakePlatform::address()
{
    return ip;
}

QString FakePlatform::appFolder()
{
    return appDir;
}
