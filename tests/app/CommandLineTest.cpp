#include "app/CommandLine.h"

#include <gtest/gtest.h>

TEST(CommandLineTest, OneQuotedPathWithSpacesKeepsItsSpaces)
{
    EXPECT_EQ(CommandLine::StripQuotes(QStringLiteral("\"/home/a user/My File.xml\"")),
              QStringLiteral("/home/a user/My File.xml"));
    // Only quotes go; white space around them stays.
    EXPECT_EQ(CommandLine::StripQuotes(QStringLiteral("\"\" a.xml \"")), QStringLiteral(" a.xml "));
    EXPECT_EQ(CommandLine::StripQuotes(QStringLiteral("\"\"\"")), QString());
}

TEST(CommandLineTest, TwoQuotedPathsStayOnePath)
{
    EXPECT_EQ(CommandLine::StripQuotes(QStringLiteral("\"/a b.xml\" \"/c.xml\"")),
              QStringLiteral("/a b.xml\" \"/c.xml"));
    // The shell has split the arguments already; they are joined back into one path.
    EXPECT_EQ(CommandLine::PathFromArguments(
                  {QStringLiteral("tovi"), QStringLiteral("/a b.xml"), QStringLiteral("/c.xml")}),
              QStringLiteral("/a b.xml /c.xml"));
    EXPECT_EQ(CommandLine::PathFromArguments({QStringLiteral("tovi")}), QString());
}
