#include "app/Application.h"

#include "app/CommandLine.h"
#include "app/DocumentTabs.h"
#include "app/MainFrame.h"
#include "app/QtFileDialogs.h"
#include "app/ShellServices.h"
#include "app/SingleInstance.h"
#include "app/SystemDesktopServices.h"
#include "app/TerminationSignals.h"
#include "config/AppSettings.h"
#include "config/LanguageResource.h"
#include "document/SafeXmlParsing.h"

#include <QApplication>
#include <QDir>

int Application::Run(const QStringList& arguments)
{
    const QString path = CommandLine::PathFromArguments(arguments);

    SingleInstance instance;
    const SingleInstance::Role role = instance.Start(path);
    if (role == SingleInstance::Role::HandedOver)
        return 0;

    SafeXmlParsing::Install();
    // Editors started by the tests keep their settings in the tests' private folder.
    const QByteArray isolated = qgetenv(SingleInstance::TestIsolationVariable);
    if (!isolated.isEmpty())
        AppSettings::SetSettingsFolder(QDir(QString::fromLocal8Bit(isolated)).absolutePath() +
                                       u'/');
    AppSettings settings;
    settings.Open(AppSettings::SettingsFilePath());

    LanguageResource language;
    const QString languageFile =
        QDir(QCoreApplication::applicationDirPath()).filePath(LanguageResource::FileName());
    if (language.Load(languageFile)) {
        language.SelectLanguage(settings.language);
        language.InstallAsTextSource();
    }

    QtFileDialogs fileDialogs;
    SystemDesktopServices desktop;
    const ShellServices services{fileDialogs, desktop, &settings,
                                 language.IsLoaded() ? &language : nullptr};

    // The main window ends the program; an open find dialog must not keep it running.
    QApplication::setQuitOnLastWindowClosed(false);
    int exitCode = 0;
    {
        MainFrame frame(services);
        QObject::connect(&frame, &MainFrame::Closed, qApp, &QCoreApplication::quit,
                         Qt::QueuedConnection);
        frame.ApplyPlacement();
        const TerminationSignals termination([&frame] { frame.close(); });

        // Listen before opening the start-up file, so later starts are not kept waiting
        // behind its load (or its error message); they queue until it is done.
        instance.SetBusy(true);
        if (role == SingleInstance::Role::Editor)
            instance.Listen(
                [&frame](const QString& received) { frame.ReceiveExternalPath(received); });
        frame.SetHandOversPending([&instance] { return !instance.Pending().empty(); });
        if (!path.isEmpty())
            frame.Tabs()->OpenDocument(path);
        instance.SetBusy(false);

        exitCode = QApplication::exec();
    }
    settings.Save();
    return exitCode;
}
