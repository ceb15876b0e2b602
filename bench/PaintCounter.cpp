#include "PaintCounter.h"

#include "WallStopwatch.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>

bool PaintCounter::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Paint)
        ++paints;
    return QObject::eventFilter(watched, event);
}

double PaintCounter::WaitForPaint()
{
    WallStopwatch watch;
    QElapsedTimer limit;
    limit.start();
    paints = 0;
    while (paints == 0 && limit.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return paints ? watch.Seconds() : -1.0;
}
