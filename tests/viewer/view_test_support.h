// Helpers of the view tests: colours compared with a little room, and waits
// on what the event loop brings about.
#pragma once

#include <QColor>
#include <QCoreApplication>
#include <QElapsedTimer>

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

} // namespace test
