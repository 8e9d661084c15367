#pragma once
// The main of the benches of forms: an application object (off screen without a display) around
// the benchmark run.
#include <QApplication>

#include "BenchMain.h"

namespace kvt::bench {

inline int runWidgetBenchmarks(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    return runBenchmarks(argc, argv);
}

}  // namespace kvt::bench
