#pragma once

#include <QElapsedTimer>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <memory>

class QLocalServer;
class QLocalSocket;
class QTimer;

// One editor per user receives the files of later starts.
//
// The per-user lock marks that an editor exists (QLockFile also clears the lock of a crashed
// editor); the hand-over is a per-user local socket with user-only access. A later start with
// a path sends it and ends as soon as the running editor has received it; the editor opens it
// once no modal box or dialog is up and nothing else is opening. A later start without a path
// opens its own window.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    enum class Role {
        // This process holds the lock and receives the paths of later starts.
        Editor,
        // The path went to the running editor; end the process with 0.
        HandedOver,
        // Another editor runs: open a window of our own (with the path, if any).
        IndependentEditor,
    };

    // Tests point every editor they start at a private folder through this environment
    // variable, so they never meet a user's editor or each other. It is a test hook only.
    static constexpr const char* TestIsolationVariable = "TOVI_TEST_ISOLATION_DIR";

    // `folder` holds the lock file and the socket; empty means the per-user default.
    explicit SingleInstance(const QString& folder = QString(), QObject* parent = nullptr);
    ~SingleInstance() override;

    // Decides this process's role. With a path and a running editor it waits up to
    // `listenerWaitMs` for that editor to listen (several files opened together start several
    // processes at once, and the editor may still be starting); it becomes the editor itself
    // when the lock's owner has gone, and opens its own window rather than dropping the path
    // when the editor never answers.
    Role Start(const QString& path, int listenerWaitMs = 8000);

    // Starts receiving hand-overs (the editor role only). `receiver` opens one path.
    bool Listen(std::function<void(const QString&)> receiver);
    // While held, received paths queue up; releasing handles the queue.
    void SetBusy(bool busy);
    // Paths received but not opened yet (a modal box was up, or something else was opening).
    const std::deque<QString>& Pending() const { return m_queue; }

    QString LockPath() const;
    QString ServerName() const;
    // The per-user folder, or the test hook's folder when it is set.
    static QString DefaultFolder();

private:
    bool SendPath(QLocalSocket& socket, const QString& path);
    void OnNewConnection();
    void OnReadyRead(QLocalSocket* socket);
    void ProcessQueue();

    QString m_folder;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer* m_server = nullptr;
    std::function<void(const QString&)> m_receiver;
    std::deque<QString> m_queue;
    QTimer* m_retry = nullptr;
    bool m_busy = false;
};
