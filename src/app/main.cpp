#include "app/Application.h"
#include "app/CommandLine.h"
#include "config/AppSettings.h"
#include "tools/ToolWorker.h"

#include <QApplication>
#include <QFileInfo>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    // A validation or transformation worker started by the editor: no window, no settings.
    if (argc == 2 && std::strcmp(argv[1], ToolWorker::WorkerOption) == 0)
        return ToolWorker::Main();

    // Batch use runs without a window and without handing anything to a running editor.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const CommandLine::Batch batch = CommandLine::ParseBatch(arguments);
    if (batch.mode != CommandLine::Batch::Mode::None) {
        QCoreApplication application(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("TOVIXMLEditor"));
        // The limits come from the settings file when there is one; batch use never makes one.
        AppSettings settings;
        const QString settingsPath = AppSettings::SettingsFilePath();
        const bool haveSettings = QFileInfo::exists(settingsPath) && settings.Open(settingsPath);
        return CommandLine::RunBatch(batch, haveSettings ? &settings : nullptr, stdout, stderr);
    }

    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("TOVIXMLEditor"));
    QApplication::setApplicationVersion(QStringLiteral(TOVI_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("tovi-xmleditor"));
    return Application().Run(QApplication::arguments());
}
