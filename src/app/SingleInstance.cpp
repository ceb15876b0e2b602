#include "app/SingleInstance.h"

#include <QApplication>
#include <QDataStream>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>

namespace {

constexpr char Reply = 'K';
constexpr int MaxPathBytes = 1 << 20;

QByteArray Frame(const QString& path)
{
    const QByteArray utf8 = path.toUtf8();
    QByteArray frame;
    QDataStream stream(&frame, QIODevice::WriteOnly);
    stream.setVersion(QDataStream::Qt_6_0);
    stream << quint32(utf8.size());
    frame.append(utf8);
    return frame;
}

} // namespace

SingleInstance::SingleInstance(const QString& folder, QObject* parent)
    : QObject(parent), m_folder(folder.isEmpty() ? DefaultFolder() : folder)
{
    // Nothing announces that a modal box has closed: a queued path looks again shortly.
    m_retry = new QTimer(this);
    m_retry->setSingleShot(true);
    m_retry->setInterval(100);
    connect(m_retry, &QTimer::timeout, this, &SingleInstance::ProcessQueue);
}

SingleInstance::~SingleInstance()
{
    if (m_server)
        m_server->close();
}

QString SingleInstance::DefaultFolder()
{
    const QByteArray isolated = qgetenv(TestIsolationVariable);
    if (!isolated.isEmpty())
        return QString::fromLocal8Bit(isolated);
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QStandardPaths::writableLocation(QStandardPaths::TempLocation);
    return folder;
}

QString SingleInstance::LockPath() const
{
    return QDir(m_folder).filePath(QStringLiteral("TOVIXMLEditor-SingleInstance.lock"));
}

QString SingleInstance::ServerName() const
{
#ifdef Q_OS_WIN
    // Named pipes live in one namespace; the user's folder keeps the name per-user.
    return QStringLiteral("TOVIXMLEditor-OnExternalOpenFile-%1")
        .arg(QString::number(qHash(m_folder), 16));
#else
    return QDir(m_folder).filePath(QStringLiteral("TOVIXMLEditor-OnExternalOpenFile"));
#endif
}

SingleInstance::Role SingleInstance::Start(const QString& path, int listenerWaitMs)
{
    QDir().mkpath(m_folder);
    m_lock = std::make_unique<QLockFile>(LockPath());
    // A running editor's lock is old; only a dead owner makes it stale.
    m_lock->setStaleLockTime(0);
    if (m_lock->tryLock(0))
        return Role::Editor;
    if (path.isEmpty())
        return Role::IndependentEditor;

    QElapsedTimer clock;
    clock.start();
    while (true) {
        QLocalSocket socket;
        socket.connectToServer(ServerName());
        if (socket.waitForConnected(500)) {
            if (SendPath(socket, path))
                return Role::HandedOver;
        }
        // The owner may have ended (or crashed) while we waited: take its place.
        if (m_lock->tryLock(0))
            return Role::Editor;
        if (clock.elapsed() >= listenerWaitMs)
            return Role::IndependentEditor;
        QThread::msleep(100);
    }
}

bool SingleInstance::SendPath(QLocalSocket& socket, const QString& path)
{
    socket.write(Frame(path));
    if (!socket.waitForBytesWritten(5000))
        return false;
    // The editor answers as soon as it has the path; a vanished editor ends the wait.
    while (socket.state() == QLocalSocket::ConnectedState && socket.bytesAvailable() == 0)
        socket.waitForReadyRead(1000);
    if (socket.bytesAvailable() > 0)
        return true;
    return false;
}

bool SingleInstance::Listen(std::function<void(const QString&)> receiver)
{
    m_receiver = std::move(receiver);
    if (!m_server) {
        m_server = new QLocalServer(this);
        m_server->setSocketOptions(QLocalServer::UserAccessOption);
        connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::OnNewConnection);
    }
    if (m_server->isListening())
        return true;
    // We hold the lock, so a socket file left here belongs to a crashed editor.
    QLocalServer::removeServer(ServerName());
    return m_server->listen(ServerName());
}

void SingleInstance::OnNewConnection()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { OnReadyRead(socket); });
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        if (socket->bytesAvailable() > 0)
            OnReadyRead(socket);
    }
}

void SingleInstance::OnReadyRead(QLocalSocket* socket)
{
    if (socket->property("toviReceived").toBool())
        return;
    if (socket->bytesAvailable() < 4)
        return;
    QDataStream stream(socket->peek(4));
    stream.setVersion(QDataStream::Qt_6_0);
    quint32 size = 0;
    stream >> size;
    if (size > quint32(MaxPathBytes)) {
        socket->abort();
        return;
    }
    if (socket->bytesAvailable() < qint64(4 + size))
        return;
    socket->read(4);
    const QString path = QString::fromUtf8(socket->read(size));
    socket->setProperty("toviReceived", true);
    // The answer goes out before the path opens: opening may wait for a modal box the user
    // has not closed yet, and the later start must not hang meanwhile.
    socket->write(&Reply, 1);
    socket->flush();
    socket->disconnectFromServer();
    if (!path.isEmpty())
        m_queue.push_back(path);
    ProcessQueue();
}

void SingleInstance::SetBusy(bool busy)
{
    m_busy = busy;
    if (!busy)
        ProcessQueue();
}

void SingleInstance::ProcessQueue()
{
    // A path opened under a modal box (a save prompt, a dialog) would change the tabs behind
    // its back, and a message shown while one path opens runs a nested event loop: paths
    // arriving then wait here, so they open one after another in the order they came.
    if (m_busy)
        return;
    m_busy = true;
    while (!m_queue.empty()) {
        if (QApplication::activeModalWidget()) {
            m_retry->start();
            break;
        }
        const QString next = m_queue.front();
        m_queue.pop_front();
        if (m_receiver)
            m_receiver(next);
    }
    m_busy = false;
}
