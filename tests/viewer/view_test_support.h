// Helpers of the view tests: colours compared with a little room, and waits
// on what the event loop brings about.
#pragma once

#include "tests/diff_view_support.h"
#include "viewer/vcs_diff_frame.h"

#include <QColor>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>

#include <cstdlib>

namespace test {

inline bool Near(QColor a, QColor b, int tolerance = 3)
{
    return std::abs(a.red() - b.red()) <= tolerance &&
           std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

// Waits, within a bound, for a condition that the event loop brings about.
template <class Condition> bool Wait_For(Condition done, int bound_ms = 10000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < bound_ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

// Waits until the differences of what the panes show now are known.
inline bool Settled(const TView_diff_frame& frame)
{
    return Wait_For([&] { return frame.Differences() != nullptr; });
}

// What the status line says.
inline QString Status(const TView_diff_frame& frame)
{
    return Find<QLabel>(frame, "Status_L")->text();
}

} // namespace test
