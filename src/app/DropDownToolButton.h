#pragma once

#include <QToolButton>

// A tool button with a separate drop-down arrow; a press on the arrow, or Alt+Down or F4 while
// the button has the focus, is reported with the point below the button instead of opening a
// fixed menu, so the owner decides what to show.
class DropDownToolButton : public QToolButton {
    Q_OBJECT
public:
    explicit DropDownToolButton(QWidget* parent = nullptr);
    QRect ArrowRect() const;

signals:
    void DropDownRequested(const QPoint& globalPosition, bool fromKeyboard);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};
