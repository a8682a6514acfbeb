#pragma once

#include "app/application.h"

#include <QTest>

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
