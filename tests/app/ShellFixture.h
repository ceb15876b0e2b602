#pragma once

#include "ShellTestDoubles.h"
#include "app/DocumentFrame.h"
#include "app/DocumentTabs.h"
#include "app/MainFrame.h"
#include "app/ShellServices.h"
#include "config/AppSettings.h"
#include "document/XmlDocument.h"

#include <QFile>
#include <QTabBar>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

// A main window on the offscreen platform with every dialog answered by the test, real
// documents in a private folder and private settings.
class ShellFixture : public ::testing::Test {
protected:
    QTemporaryDir dir;
    AppSettings settings;
    RecordingMessageBoxes boxes;
    MessageBoxes::Override boxesInUse{boxes};
    ScriptedFileDialogs fileDialogs;
    RecordingDesktop desktop;
    std::unique_ptr<MainFrame> frame;

    void SetUp() override
    {
        ASSERT_TRUE(settings.Open(dir.filePath(AppSettings::FileName())));
        frame = MakeFrame(nullptr);
    }
    void TearDown() override
    {
        // Nothing may ask at the end.
        boxes.answers.assign(20, MessageBoxes::Answer::No);
        frame.reset();
    }
    std::unique_ptr<MainFrame> MakeFrame(const LanguageResource* language)
    {
        services = std::make_unique<ShellServices>(
            ShellServices{fileDialogs, desktop, &settings, language});
        return std::make_unique<MainFrame>(*services);
    }
    DocumentTabs& Tabs() { return *frame->Tabs(); }
    QString
    MakeFile(const QString& name,
             const QByteArray& text = "<?xml version=\"1.0\"?>\n<root a=\"1\"><x/></root>\n")
    {
        const QString path = dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
        return path;
    }
    // Lets every tab's load or save end (their outcomes handled, as the event loop would).
    void Settle()
    {
        for (int i = 0; i < Tabs().Count(); ++i) {
            if (Tabs().FrameAt(i)->IsBusy()) {
                Tabs().FrameAt(i)->WaitForWork();
                i = -1; // a failed open removed its tab
            }
        }
        // What the window does when its event loop next goes idle.
        frame->RunIdleUpdate();
    }
    // Opens and waits for the document: the tab's index, or -1 when the open failed.
    int OpenPath(const QString& path)
    {
        const int index = Tabs().OpenDocument(path);
        Settle();
        return Tabs().IndexOfFile(path) == index ? index : -1;
    }
    int Open(const QString& name) { return OpenPath(MakeFile(name)); }
    // Saves (as) and waits for the outcome; whether a save started.
    bool SaveTab(int index)
    {
        const bool started = Tabs().SaveTab(index);
        Settle();
        return started;
    }
    bool SaveTabAs(int index)
    {
        const bool started = Tabs().SaveTabAs(index);
        Settle();
        return started;
    }
    // Changes the document of a tab the way an edit does, so it counts as modified.
    void Modify(int index)
    {
        XmlDocument* document = Tabs().FrameAt(index)->Document();
        const XmlNode* root = document->Root()->FirstChild();
        ASSERT_NE(root, nullptr);
        ASSERT_TRUE(document->SetLocalName(root->Id(), QStringLiteral("changed")));
    }
    QString Caption(int index) { return Tabs().Strip()->tabText(index); }
    QString DisplayName(int index) { return Tabs().FrameAt(index)->DisplayName(); }

private:
    std::unique_ptr<ShellServices> services;
};
