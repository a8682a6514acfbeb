#pragma once

#include "app/application.h"

#include <QApplication>
#include <QTest>
#include <QWidget>

// Closes every window and lets Qt delete them, so that the next test starts with none.
inline void closeAllWindows()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        w->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// How many windows of class W exist.
template <class W> int countWindows()
{
    int count = 0;
    for (QWidget *w : QApplication::topLevelWidgets())
        count += qobject_cast<W *>(w) != nullptr;
    return count;
}

// QTEST_MAIN with the program's own application object, which the code under test reaches
// through App().
#define TARNVALE_TEST_MAIN(TestObject)                                                             \
    int main(int argc, char *argv[])                                                               \
    {                                                                                              \
        tarnvale::Application app(argc, argv);                                                     \
        TestObject test;                                                                           \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
