#pragma once

#include <QObject>

// The Name column's width, one for the trees of every tab: a width the user sets by hand in one
// tree applies to all of them, and is the one the settings keep. The Value column takes the
// rest of each tree's width.
class TreeColumnWidths : public QObject {
    Q_OBJECT
public:
    static constexpr int DefaultNameWidth = 250;
    static constexpr int MinimumNameWidth = 20;

    static TreeColumnWidths& Shared();

    int NameWidth() const { return m_nameWidth; }
    // Clamped to a width that still shows something; announces only a change.
    void SetNameWidth(int width);

signals:
    void nameWidthChanged(int width);

private:
    int m_nameWidth = DefaultNameWidth;
};
