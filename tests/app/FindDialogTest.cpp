#include "app/FindDialog.h"
#include "config/AppSettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct FindDialogFixture : ::testing::Test {
    QTemporaryDir dir;
    AppSettings settings;
    int findNextCount = 0;

    void SetUp() override { ASSERT_TRUE(settings.Open(dir.filePath(AppSettings::FileName()))); }
    std::unique_ptr<FindDialog> Make()
    {
        return std::make_unique<FindDialog>(&settings, nullptr, nullptr,
                                            [this] { ++findNextCount; });
    }
    static void Type(FindDialog& dialog, const QString& text)
    {
        dialog.TextBox()->setEditText(text);
    }
};

} // namespace

TEST_F(FindDialogFixture, BuiltFromTheDescriptionWithEveryControl)
{
    auto dialog = Make();
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Find"));
    ASSERT_NE(dialog->TextBox(), nullptr);
    for (int id : {1010, 1012, 1013, 1014, 1015, 1016, 1017, 1018, 1019})
        EXPECT_NE(dialog->CheckBox(id), nullptr) << id;
    EXPECT_NE(dialog->Button(FindDialog::FindNextId), nullptr);
    EXPECT_NE(dialog->Button(FindDialog::CancelId), nullptr);
    EXPECT_FALSE(dialog->isVisible());
    // First use: every kind of node is looked in.
    EXPECT_EQ(dialog->Flags(), FindFlag::AllKinds);
    EXPECT_EQ(dialog->CheckBox(FindDialog::EverywhereId)->checkState(), Qt::Checked);
}

TEST_F(FindDialogFixture, EverywhereFollowsTheKindsAndKeepsTheOptions)
{
    auto dialog = Make();
    QCheckBox* everywhere = dialog->CheckBox(FindDialog::EverywhereId);
    dialog->SetFlags(0);
    dialog->CheckBox(FindDialog::MatchCaseId)->click();
    EXPECT_EQ(dialog->Flags(), FindFlag::MatchCase);
    EXPECT_EQ(everywhere->checkState(), Qt::Unchecked);

    everywhere->click();
    EXPECT_EQ(dialog->Flags(), FindFlag::AllKinds | FindFlag::MatchCase);
    EXPECT_EQ(everywhere->checkState(), Qt::Checked);
    EXPECT_TRUE(dialog->CheckBox(FindDialog::CommentsId)->isChecked());

    dialog->CheckBox(FindDialog::NodeValuesId)->click();
    EXPECT_EQ(everywhere->checkState(), Qt::PartiallyChecked);
    EXPECT_EQ(dialog->Flags() & FindFlag::AllKinds, FindFlag::AllKinds & ~FindFlag::NodeValues);

    everywhere->click(); // mixed goes to clear
    EXPECT_EQ(dialog->Flags(), FindFlag::MatchCase);
    EXPECT_EQ(everywhere->checkState(), Qt::Unchecked);
    EXPECT_FALSE(dialog->CheckBox(FindDialog::NodeNamesId)->isChecked());
    EXPECT_TRUE(dialog->CheckBox(FindDialog::MatchCaseId)->isChecked());
}

TEST_F(FindDialogFixture, HistoryIsMostRecentFirstWithoutCaseDuplicates)
{
    auto dialog = Make();
    Type(*dialog, QStringLiteral("abc"));
    dialog->FindNext();
    Type(*dialog, QStringLiteral("other"));
    dialog->FindNext();
    Type(*dialog, QStringLiteral("Abc"));
    dialog->FindNext();
    EXPECT_EQ(dialog->History(), QStringList({"Abc", "other"}));
    EXPECT_EQ(dialog->SearchText(), QStringLiteral("Abc"));
    EXPECT_EQ(findNextCount, 3);

    for (int i = 0; i < 60; ++i) {
        Type(*dialog, QStringLiteral("t%1").arg(i));
        dialog->FindNext();
    }
    EXPECT_EQ(dialog->History().size(), FindDialog::HistoryLimit);
    EXPECT_EQ(dialog->History().first(), QStringLiteral("t59"));

    // An empty text is remembered as the search text but is not searched for.
    Type(*dialog, QString());
    dialog->FindNext();
    EXPECT_EQ(findNextCount, 63);
    EXPECT_TRUE(dialog->SearchText().isEmpty());
}

TEST_F(FindDialogFixture, SettingsRoundTripWithMatchCaseStoredNegative)
{
    {
        auto dialog = Make();
        dialog->CheckBox(FindDialog::MatchCaseId)->click();
        Type(*dialog, QStringLiteral("first"));
        dialog->FindNext();
        Type(*dialog, QStringLiteral("second"));
        dialog->FindNext();
        // Closing by the close box writes nothing more.
        dialog->CheckBox(FindDialog::SearchUpId)->click();
        dialog->close();
    }
    ASSERT_TRUE(settings.Save());
    QFile file(settings.Path());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    const qint32 expected = qint32(FindFlag::AllKinds | FindFlag::MatchCase);
    EXPECT_LT(expected, 0);
    EXPECT_TRUE(text.contains("Flags=\"" + QByteArray::number(expected) + "\"")) << text.data();

    AppSettings reread;
    ASSERT_TRUE(reread.Open(settings.Path()));
    FindDialog again(&reread, nullptr, nullptr, [] {});
    EXPECT_EQ(again.Flags(), FindFlag::AllKinds | FindFlag::MatchCase);
    EXPECT_EQ(again.History(), QStringList({"second", "first"}));
    EXPECT_EQ(again.TextBox()->currentText(), QStringLiteral("second"));
    EXPECT_TRUE(again.CheckBox(FindDialog::MatchCaseId)->isChecked());
    EXPECT_EQ(again.CheckBox(FindDialog::EverywhereId)->checkState(), Qt::Checked);
}

TEST_F(FindDialogFixture, CancelWritesAndHides)
{
    auto dialog = Make();
    dialog->ShowDialog();
    EXPECT_TRUE(dialog->isVisible());
    dialog->CheckBox(FindDialog::WholeWordId)->click();
    dialog->Button(FindDialog::CancelId)->click();
    EXPECT_FALSE(dialog->isVisible());
    AppSettings::FindDialogState state;
    ASSERT_TRUE(settings.ReadFindDialog(state, FindDialog::HistoryLimit));
    EXPECT_EQ(state.flags, FindFlag::AllKinds | FindFlag::MatchWholeWord);
}
