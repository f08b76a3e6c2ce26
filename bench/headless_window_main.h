#pragma once

// The main of the benchmarks that drive the real window headless: the offscreen platform unless
// another is asked for, and an end that does not wait for the window's download worker.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdio>
#include <cstdlib>

#include "templates/http_get.h"

namespace zelvo::bench {

inline int runHeadlessWindowBenchmarks(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    initHttpClient();
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::fflush(nullptr);
    std::_Exit(0);  // the window's download worker may still be running
}

}  // namespace zelvo::bench
