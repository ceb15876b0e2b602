#pragma once

#include <QPixmap>
#include <QWidget>

// The picture that follows the pointer during a drag: the dragged item's Name cell, placed so
// that the pointer sits at HotSpot inside it. It never takes mouse input, so hit tests and
// releases still reach the tree below.
class DragImage : public QWidget {
    Q_OBJECT
public:
    static constexpr QPoint HotSpot{20, 16};

    DragImage(const QPixmap& picture, QWidget* parent);

    // Puts the image so the pointer (in the parent's coordinates) is at the hot spot.
    void MoveTo(QPoint pointer);
    const QPixmap& Picture() const { return m_picture; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap m_picture;
};
