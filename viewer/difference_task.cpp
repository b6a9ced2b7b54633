#include "difference_task.h"

#include <QMetaObject>
#include <QObject>

namespace {

// The engine reads 32-bit pixels 0xAARRGGBB; other layouts are converted.
QImage As_32_Bit(const QImage& Picture)
{
    switch (Picture.format()) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
        return Picture;
    default:
        return Picture.convertToFormat(Picture.hasAlphaChannel() ? QImage::Format_ARGB32
                                                                 : QImage::Format_RGB32);
    }
}

T_Pixels Pixels_Of(const QImage& Picture)
{
    return {Picture.constBits(), Picture.width(), Picture.height(), Picture.bytesPerLine()};
}

} // namespace

T_Difference_Task::T_Difference_Task(QObject* Context, T_Ready Ready)
    : Context_(Context), Ready_(std::move(Ready))
{
}

T_Difference_Task::~T_Difference_Task() { Stop_Running(); }

void T_Difference_Task::Stop_Running()
{
    if (Cancel)
        *Cancel = true;
    if (Running.valid())
        Running.wait();
}

void T_Difference_Task::Request(const QImage& Base, const QImage& Modified,
                                const T_Difference_Options& Options)
{
    Stop_Running();
    Cancel = std::make_shared<std::atomic<bool>>(false);
    ++Pending;
    const unsigned generation = ++Generation;
    Running = std::async(
        std::launch::async, [this, Base, Modified, Options, cancel = Cancel, generation] {
            const QImage base = As_32_Bit(Base), modified = As_32_Bit(Modified);
            auto result = std::make_shared<const T_Difference>(
                Compare_Pictures(Pixels_Of(base), Pixels_Of(modified), Options, cancel.get()));
            // Answered on the interface's thread; an answer to a superseded
            // request only ends the wait for it.
            QMetaObject::invokeMethod(
                Context_,
                [this, result, generation] {
                    --Pending;
                    if (generation == Generation && result->Complete)
                        Ready_(result);
                },
                Qt::QueuedConnection);
        });
}
