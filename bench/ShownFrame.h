// The component's window shown as a host shows it, for the benchmarks that measure it painted.
#pragma once

#include "BenchSite.h"

#include "ui/StatusFrame.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QWindow>

#include <cstdio>

namespace so::bench {

/// Shows the site's component and its window at 1280 x `height`, waiting (at most 5 s) until the
/// window is exposed; null (and said on standard error) when Show created no window.
inline StatusFrame* showFrame(BenchSite& site, int height = 900) {
    site.show();
    auto* frame = qobject_cast<StatusFrame*>(site.status->widget());
    if (frame == nullptr) {
        std::fprintf(stderr, "Show created no window\n");
        return nullptr;
    }
    frame->resize(1280, height);
    frame->show();
    QElapsedTimer wait;
    wait.start();
    while ((frame->windowHandle() == nullptr || !frame->windowHandle()->isExposed()) && wait.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    return frame;
}

}  // namespace so::bench
