#include "app/SingleInstance.h"
#include "config/AppSettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QLibrary>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QSet>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace {

// Closes the dialogs on the X server the way a window manager's close button does
// (WM_DELETE_WINDOW to every window that is transient for another), through libX11 loaded at
// run time so the test needs no X headers of its own.
class DialogCloser {
public:
    DialogCloser() : m_x11(QStringLiteral("X11"), 6)
    {
        m_open = Resolve<void* (*)(const char*)>("XOpenDisplay");
        m_root = Resolve<unsigned long (*)(void*)>("XDefaultRootWindow");
        m_queryTree = Resolve<int (*)(void*, unsigned long, unsigned long*, unsigned long*,
                                      unsigned long**, unsigned*)>("XQueryTree");
        m_transientFor =
            Resolve<int (*)(void*, unsigned long, unsigned long*)>("XGetTransientForHint");
        m_atom = Resolve<unsigned long (*)(void*, const char*, int)>("XInternAtom");
        m_send = Resolve<int (*)(void*, unsigned long, int, long, void*)>("XSendEvent");
        m_flush = Resolve<int (*)(void*)>("XFlush");
        m_free = Resolve<int (*)(void*)>("XFree");
        m_close = Resolve<int (*)(void*)>("XCloseDisplay");
        if (m_open && m_root && m_queryTree && m_transientFor && m_atom && m_send && m_flush &&
            m_free && m_close)
            m_display = m_open(nullptr);
    }
    ~DialogCloser()
    {
        if (m_display)
            m_close(m_display);
    }
    bool IsAvailable() const { return m_display != nullptr; }

    // The number of dialogs asked to close.
    int CloseDialogs()
    {
        unsigned long root = 0, parent = 0, *children = nullptr;
        unsigned count = 0;
        if (!m_queryTree(m_display, m_root(m_display), &root, &parent, &children, &count))
            return 0;
        const unsigned long protocols = m_atom(m_display, "WM_PROTOCOLS", 0);
        const unsigned long deleteWindow = m_atom(m_display, "WM_DELETE_WINDOW", 0);
        int closed = 0;
        for (unsigned i = 0; i < count; ++i) {
            unsigned long owner = 0;
            if (!m_transientFor(m_display, children[i], &owner) || owner == 0)
                continue;
            ClientMessage message{};
            message.type = 33; // ClientMessage
            message.display = m_display;
            message.window = children[i];
            message.messageType = protocols;
            message.format = 32;
            message.data[0] = long(deleteWindow);
            Event event{};
            event.message = message;
            m_send(m_display, children[i], 0, 0, &event);
            ++closed;
        }
        if (children)
            m_free(children);
        m_flush(m_display);
        return closed;
    }

private:
    struct ClientMessage {
        int type;
        unsigned long serial;
        int sendEvent;
        void* display;
        unsigned long window;
        unsigned long messageType;
        int format;
        long data[5];
    };
    union Event {
        ClientMessage message;
        long pad[24];
    };
    template <typename F> F Resolve(const char* name)
    {
        return reinterpret_cast<F>(m_x11.resolve(name));
    }

    QLibrary m_x11;
    void* m_display = nullptr;
    void* (*m_open)(const char*) = nullptr;
    unsigned long (*m_root)(void*) = nullptr;
    int (*m_queryTree)(void*, unsigned long, unsigned long*, unsigned long*, unsigned long**,
                       unsigned*) = nullptr;
    int (*m_transientFor)(void*, unsigned long, unsigned long*) = nullptr;
    unsigned long (*m_atom)(void*, const char*, int) = nullptr;
    int (*m_send)(void*, unsigned long, int, long, void*) = nullptr;
    int (*m_flush)(void*) = nullptr;
    int (*m_free)(void*) = nullptr;
    int (*m_close)(void*) = nullptr;
};

// Every editor started here gets the test's private folder (lock, socket and settings)
// through the test-only variable, so it never meets a user's editor or another test.
class EditorProcesses : public ::testing::Test {
protected:
    QTemporaryDir dir;
    std::vector<std::unique_ptr<QProcess>> processes;

    void SetUp() override
    {
        if (qEnvironmentVariableIsEmpty("DISPLAY"))
            GTEST_SKIP() << "needs an X display (test.sh runs the suite under Xvfb)";
        ASSERT_TRUE(QFileInfo::exists(Program())) << Program().toStdString();
        ASSERT_TRUE(dir.isValid());
    }
    void TearDown() override
    {
        for (auto& process : processes) {
            if (process->state() != QProcess::NotRunning) {
                process->kill();
                process->waitForFinished(5000);
            }
        }
    }
    static QString Program()
    {
        return QDir(QCoreApplication::applicationDirPath())
            .filePath(QStringLiteral("tovi-xmleditor"));
    }
    QString MakeFile(const QString& name)
    {
        const QString path = dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("<?xml version=\"1.0\"?>\n<root><item a=\"1\">text</item></root>\n");
        return path;
    }
    QProcess* Start(const QStringList& arguments)
    {
        auto process = std::make_unique<QProcess>();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QString::fromLatin1(SingleInstance::TestIsolationVariable), dir.path());
        // The editors note opened files in the desktop's recent list: a private one.
        environment.insert(QStringLiteral("XDG_DATA_HOME"), dir.path());
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        process->setProcessEnvironment(environment);
        process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process->start(Program(), arguments);
        EXPECT_TRUE(process->waitForStarted(10000));
        processes.push_back(std::move(process));
        return processes.back().get();
    }
    // The running editor listens once its window is up.
    bool WaitForListener(int timeoutMs = 20000)
    {
        const QString socket = SingleInstance(dir.path()).ServerName();
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < timeoutMs) {
            if (QFileInfo::exists(socket))
                return true;
            QThread::msleep(50);
        }
        return false;
    }
    // Ends an editor the way a session end does; it closes its tabs and writes its settings,
    // whose recent-file list then names every file it had open.
    // A window of 1024 x 700 at the top left instead of a maximised one.
    void settingsForScreenshot()
    {
        QFile file(dir.filePath(AppSettings::FileName()));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Setting><MainWindow Maximized=\"0\">"
            "<Rect Left=\"0\" Top=\"0\" Right=\"1024\" Bottom=\"700\"/>"
            "<TopToolbar Visible=\"1\"/></MainWindow></Setting>\n");
    }
    QStringList CloseAndReadRecentFiles(QProcess* editor)
    {
        editor->terminate();
        EXPECT_TRUE(editor->waitForFinished(20000));
        EXPECT_EQ(editor->exitStatus(), QProcess::NormalExit);
        AppSettings settings;
        EXPECT_TRUE(settings.Open(dir.filePath(AppSettings::FileName())));
        return settings.recentFiles;
    }
};

} // namespace

TEST_F(EditorProcesses, SecondStartWithPathOpensInTheRunningEditorAndEndsQuickly)
{
    const QString first = MakeFile(QStringLiteral("first.xml"));
    const QString second = MakeFile(QStringLiteral("second file.xml"));
    QProcess* editor = Start({first});
    ASSERT_TRUE(WaitForListener());

    QElapsedTimer clock;
    clock.start();
    QProcess* later = Start({QStringLiteral("\"%1\"").arg(second)});
    ASSERT_TRUE(later->waitForFinished(15000));
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_EQ(later->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(later->exitCode(), 0);
    EXPECT_EQ(editor->state(), QProcess::Running);

    const QStringList recent = CloseAndReadRecentFiles(editor);
    // Tabs close from the left, each entering the list at its front.
    EXPECT_EQ(recent, QStringList({second, first}));
}

TEST_F(EditorProcesses, SecondStartWhileAMessageBoxIsUpEndsAtOnceAndItsFileOpensAfterwards)
{
    DialogCloser closer;
    if (!closer.IsAvailable())
        GTEST_SKIP() << "libX11 is not there to close the message box";
    // A start-up file that does not load leaves its error message up.
    const QString broken = dir.filePath(QStringLiteral("broken.xml"));
    {
        QFile file(broken);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("<root>");
    }
    const QString handed = MakeFile(QStringLiteral("handed.xml"));
    QProcess* editor = Start({broken});
    ASSERT_TRUE(WaitForListener());
    QThread::msleep(1000);

    QElapsedTimer clock;
    clock.start();
    QProcess* later = Start({handed});
    const bool ended = later->waitForFinished(15000);
    const qint64 took = clock.elapsed();
    // Close the box whatever happened, so a hanging start can still end.
    int closed = 0;
    for (int tries = 0; tries < 50 && closed == 0; ++tries) {
        closed = closer.CloseDialogs();
        QThread::msleep(100);
    }
    ASSERT_TRUE(ended || later->waitForFinished(15000));
    EXPECT_LT(took, 5000) << "the later start waited for the message box";
    EXPECT_EQ(later->exitCode(), 0);
    EXPECT_GT(closed, 0) << "no message box was up";
    QThread::msleep(1000);
    EXPECT_EQ(CloseAndReadRecentFiles(editor), QStringList({handed}));
}

TEST_F(EditorProcesses, SeveralSecondStartsAtOnceAllGetTheirFilesOpened)
{
    QStringList files;
    for (int i = 0; i < 4; ++i)
        files << MakeFile(QStringLiteral("f%1.xml").arg(i));
    // As a file manager does with several files: every process starts together, before any
    // editor listens. One becomes the editor, the others hand their files to it.
    std::vector<QProcess*> started;
    for (const QString& file : files)
        started.push_back(Start({file}));
    QProcess* editor = nullptr;
    QElapsedTimer clock;
    clock.start();
    int finished = 0;
    while (clock.elapsed() < 30000 && finished < 3) {
        finished = 0;
        for (QProcess* process : started) {
            process->waitForFinished(50);
            if (process->state() == QProcess::NotRunning) {
                ++finished;
                EXPECT_EQ(process->exitCode(), 0);
            }
        }
    }
    ASSERT_EQ(finished, 3);
    for (QProcess* process : started) {
        if (process->state() == QProcess::Running)
            editor = process;
    }
    ASSERT_NE(editor, nullptr);
    QStringList recent = CloseAndReadRecentFiles(editor);
    recent.sort();
    EXPECT_EQ(recent, files);
}

TEST_F(EditorProcesses, SecondStartWithoutPathOpensItsOwnWindow)
{
    QProcess* editor = Start({MakeFile(QStringLiteral("a.xml"))});
    ASSERT_TRUE(WaitForListener());
    QProcess* independent = Start({});
    EXPECT_FALSE(independent->waitForFinished(3000)) << "it should keep running";
    EXPECT_EQ(independent->state(), QProcess::Running);
    EXPECT_EQ(editor->state(), QProcess::Running);
    // A path given now still goes to the editor that holds the lock.
    const QString handed = MakeFile(QStringLiteral("b.xml"));
    QProcess* later = Start({handed});
    ASSERT_TRUE(later->waitForFinished(15000));
    EXPECT_EQ(later->exitCode(), 0);
    independent->terminate();
    EXPECT_TRUE(independent->waitForFinished(20000));
    EXPECT_EQ(CloseAndReadRecentFiles(editor),
              QStringList({handed, dir.filePath(QStringLiteral("a.xml"))}));
}

TEST_F(EditorProcesses, LockOfAGoneEditorIsTakenOver)
{
    // A lock file left by a process that no longer runs, as after a crash.
    QProcess gone;
    gone.start(QStringLiteral("sleep"), {QStringLiteral("0.2")});
    ASSERT_TRUE(gone.waitForStarted(5000));
    const qint64 deadPid = gone.processId();
    ASSERT_TRUE(gone.waitForFinished(5000));
    {
        QFile lock(SingleInstance(dir.path()).LockPath());
        ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
        lock.write(QByteArray::number(deadPid) + "\ntovi-xmleditor\n" +
                   QSysInfo::machineHostName().toUtf8() + "\n");
    }
    const QString file = MakeFile(QStringLiteral("kept.xml"));
    QProcess* editor = Start({file});
    ASSERT_TRUE(WaitForListener()) << "the new process must become the editor";
    EXPECT_EQ(editor->state(), QProcess::Running);
    EXPECT_EQ(CloseAndReadRecentFiles(editor), QStringList({file}));
}

TEST_F(EditorProcesses, EditorShowsTheSampleDocumentOnScreen)
{
    // The real window on the X server, grabbed from the screen: the sample document must
    // have been painted (the picture is kept next to the test program for the docs).
    settingsForScreenshot();
    const QString sample = QStringLiteral(TOVI_SOURCE_DIR "/examples/sample.xml");
    QProcess* editor = Start({sample});
    ASSERT_TRUE(WaitForListener());
    QThread::msleep(1500);
    QScreen* screen = QGuiApplication::primaryScreen();
    ASSERT_NE(screen, nullptr);
    const QImage shot = screen->grabWindow(0, 0, 0, 1024, 700).toImage();
    ASSERT_FALSE(shot.isNull());
    QSet<QRgb> colours;
    for (int y = 0; y < shot.height(); y += 7) {
        for (int x = 0; x < shot.width(); x += 7)
            colours.insert(shot.pixel(x, y));
    }
    EXPECT_GT(colours.size(), 20) << "nothing painted";
    shot.save(QDir(QCoreApplication::applicationDirPath())
                  .filePath(QStringLiteral("editor-screenshot.png")));
    editor->terminate();
    EXPECT_TRUE(editor->waitForFinished(20000));
}
