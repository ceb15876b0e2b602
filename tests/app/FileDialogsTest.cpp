#include "app/FileDialogs.h"
#include "config/LoadText.h"
#include "config/StringTable.h"

#include <gtest/gtest.h>

TEST(FileDialogsTest, StoredFiltersBecomeQtFiltersThatShowEveryPattern)
{
    // Style sheets come as .xsl and .xslt; both must show in the dialog.
    EXPECT_EQ(FileDialogs::ToQtFilter(LoadText(StringId::XsltFilter)),
              QStringLiteral("XSLT Files (*.xsl *.xslt);;All files (*)"));
    EXPECT_EQ(FileDialogs::ToQtFilter(QStringLiteral("Data|*.a;*.b||")),
              QStringLiteral("Data (*.a *.b)"));
}
