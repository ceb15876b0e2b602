#include "app/SingleInstance.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

// The decisions of one process; the hand-over between real processes is in tests/x11.
TEST(SingleInstanceTest, RolesFollowTheLockAndTheListener)
{
    QTemporaryDir dir;
    auto first = std::make_unique<SingleInstance>(dir.path());
    ASSERT_EQ(first->Start(QString()), SingleInstance::Role::Editor);
    EXPECT_TRUE(QFileInfo::exists(first->LockPath()));

    // Without a path a later start is an editor of its own at once.
    SingleInstance withoutPath(dir.path());
    EXPECT_EQ(withoutPath.Start(QString()), SingleInstance::Role::IndependentEditor);

    // With a path but nobody listening it waits, bounded, and then keeps the file itself
    // instead of dropping it.
    QElapsedTimer clock;
    clock.start();
    SingleInstance unanswered(dir.path());
    EXPECT_EQ(unanswered.Start(QStringLiteral("/some/file.xml"), 300),
              SingleInstance::Role::IndependentEditor);
    EXPECT_GE(clock.elapsed(), 300);
    EXPECT_LT(clock.elapsed(), 5000);

    // Once the editor has gone, the next start with a path takes its place.
    first.reset();
    SingleInstance next(dir.path());
    EXPECT_EQ(next.Start(QStringLiteral("/some/file.xml"), 300), SingleInstance::Role::Editor);
    EXPECT_TRUE(next.Listen([](const QString&) {}));
    EXPECT_TRUE(QFileInfo::exists(next.ServerName()));
}
