#include "app/DocumentNaming.h"

#include <gtest/gtest.h>

TEST(DocumentNamingTest, NewNamesReuseTheSmallestFreeNumber)
{
    EXPECT_EQ(DocumentNaming::NewName({}), QStringLiteral("Untitled"));
    EXPECT_EQ(DocumentNaming::NewName({"Untitled"}), QStringLiteral("Untitled 1"));
    EXPECT_EQ(DocumentNaming::NewName({"Untitled", "Untitled 1"}), QStringLiteral("Untitled 2"));
    EXPECT_EQ(DocumentNaming::NewName({"Untitled", "Untitled 2"}), QStringLiteral("Untitled 1"));
    // A file on disk blocks a candidate in any case.
    EXPECT_EQ(DocumentNaming::NewName({"UNTITLED", "untitled 1"}), QStringLiteral("Untitled 2"));
    EXPECT_EQ(DocumentNaming::NewName({"Untitled 1"}), QStringLiteral("Untitled"));
}

TEST(DocumentNamingTest, DisplayNamesAndCaptions)
{
    EXPECT_EQ(DocumentNaming::DisplayName(QStringLiteral("/d/e/file.xml"), false),
              QStringLiteral("file.xml"));
    EXPECT_EQ(DocumentNaming::DisplayName(QStringLiteral("Untitled 2"), true),
              QStringLiteral("Untitled 2"));
    EXPECT_EQ(DocumentNaming::DisplayName(QStringLiteral("nofolder.xml"), false), QString());

    const QString forty = QStringLiteral("abcdefghijklmnopqrstuvwxyz0123456789.xml");
    ASSERT_EQ(forty.size(), 40);
    EXPECT_EQ(DocumentNaming::Caption(forty, false),
              QStringLiteral("abcdefghijklmno...yz0123456789.xml"));
    EXPECT_EQ(DocumentNaming::Caption(forty, false).size(), 34);
    EXPECT_EQ(DocumentNaming::Caption(forty, true).size(), 35);
    const QString thirty(30, u'x');
    EXPECT_EQ(DocumentNaming::Caption(thirty, false), thirty);
    EXPECT_EQ(DocumentNaming::ToolTip(QStringLiteral("/a/b.xml"), true),
              QStringLiteral("/a/b.xml*"));
    // A document type shows without its internal subset; a bracket in a literal is no subset.
    EXPECT_EQ(DocumentNaming::ToolTip(QStringLiteral("/a/b.xml"), false,
                                      QStringLiteral("<!DOCTYPE r SYSTEM \"x[1].dtd\"\n [\n"
                                                     "<!ENTITY e \"v\">\n]>")),
              QStringLiteral("/a/b.xml\n<!DOCTYPE r SYSTEM \"x[1].dtd\" […]>"));
}

TEST(DocumentNamingTest, SaveAsProposal)
{
    const auto named = DocumentNaming::ProposeSaveAs(QStringLiteral("/d/report.v2.xml"), false);
    EXPECT_EQ(named.initialName, QStringLiteral("report.v2.xml"));
    EXPECT_EQ(named.defaultExtension, QStringLiteral("xml"));
    // No extension, a dot only in a folder name, an untitled document: no proposal.
    for (const auto& proposal :
         {DocumentNaming::ProposeSaveAs(QStringLiteral("/d/README"), false),
          DocumentNaming::ProposeSaveAs(QStringLiteral("/d.old/README"), false),
          DocumentNaming::ProposeSaveAs(QStringLiteral("Untitled.x"), true)}) {
        EXPECT_TRUE(proposal.initialName.isEmpty());
        EXPECT_TRUE(proposal.defaultExtension.isEmpty());
    }
}

TEST(DocumentNamingTest, WindowTitle)
{
    const QString app = QStringLiteral("TOVI XMLEditor");
    EXPECT_EQ(DocumentNaming::WindowTitle(DocumentNaming::Caption("Untitled 1", true), true, app),
              QStringLiteral("Untitled 1* - TOVI XMLEditor"));
    EXPECT_EQ(DocumentNaming::WindowTitle(QString(), false, app), app);
    EXPECT_EQ(DocumentNaming::WindowTitle(QString(200, u'c'), true, app),
              QString(113, u'c') + QStringLiteral(" - ") + app);
}
