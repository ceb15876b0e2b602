#pragma once

#include <QWidget>

class FileProgress;
class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

// The strip at the foot of a tab while its file opens or saves: what is going on, how many of
// the bytes are done and a Cancel button. It appears only once the work has taken a moment,
// so quick opens and saves show nothing.
class FileProgressBar : public QWidget {
    Q_OBJECT
public:
    static constexpr int ShowDelayMs = 500;

    explicit FileProgressBar(QWidget* parent);

    // Follows `progress` (which must outlive the following) under the text.
    void Follow(FileProgress& progress, const QString& text);
    // Stops following and hides.
    void Stop();
    QPushButton* CancelButton() const { return m_cancel; }

private:
    void Update();

    FileProgress* m_progress = nullptr;
    QLabel* m_text = nullptr;
    QProgressBar* m_bar = nullptr;
    QPushButton* m_cancel = nullptr;
    QTimer* m_showTimer = nullptr;
    QTimer* m_updateTimer = nullptr;
};
