#pragma once

#include <QObject>

class QEvent;

// Counts the paint events of the widget it filters, so a screen counts as shown only once it
// has really been painted.
class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Turns the event loop until a paint was seen (at most ten seconds); the seconds it took,
    // or -1 when nothing was painted.
    double WaitForPaint();
};
