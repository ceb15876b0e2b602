#pragma once

#include <QWidget>

#include <functional>

class FileProgress;
class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

// The strip at the foot of a tab while long work runs there: what is going on, how far it is
// and a Cancel button. A file's open or save shows the bytes done and appears only once it has
// taken a moment, so quick ones show nothing; a validation or transformation, whose progress
// nobody knows, shows a busy bar at once.
class ProgressStrip : public QWidget {
    Q_OBJECT
public:
    static constexpr int ShowDelayMs = 500;

    explicit ProgressStrip(QWidget* parent);

    // Follows `progress` (which must outlive the following) under the text.
    void Follow(FileProgress& progress, const QString& text);
    // Shows the text with a busy bar at once; Cancel calls `cancel`.
    void ShowBusy(const QString& text, std::function<void()> cancel);
    // Stops following and hides.
    void Stop();
    QPushButton* CancelButton() const { return m_cancel; }

private:
    void Update();

    FileProgress* m_progress = nullptr;
    std::function<void()> m_cancelWork;
    QLabel* m_text = nullptr;
    QProgressBar* m_bar = nullptr;
    QPushButton* m_cancel = nullptr;
    QTimer* m_showTimer = nullptr;
    QTimer* m_updateTimer = nullptr;
};
