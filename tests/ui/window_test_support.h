#pragma once

// Shared by the window tests: reaching a control by its form name, and a main that ends the way
// the program does.

#include <QApplication>
#include <QTest>
#include <QWidget>
#include <cstdio>
#include <cstdlib>

#include "templates/http_get.h"

namespace zelvo::test {

// The window's child named `name` (its form name); a missing control ends the test run.
template <class T>
T* findControl(const QWidget& window, const char16_t* name) {
    T* control = window.findChild<T*>(QString::fromUtf16(name));
    if (control == nullptr) {
        qFatal("no control %s", qPrintable(QString::fromUtf16(name)));
    }
    return control;
}

// The fetch workers of closed windows may still wait on a silent server: end without running
// static destructors that they could be using.
template <class Test>
int runWindowTest(int argc, char** argv) {
    initHttpClient();
    QApplication app(argc, argv);
    Test test;
    const int failures = QTest::qExec(&test, argc, argv);
    std::fflush(nullptr);
    std::_Exit(failures == 0 ? EXIT_SUCCESS : EXIT_FAILURE);
}

}  // namespace zelvo::test
