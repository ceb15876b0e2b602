#include "editing/XmlNameRules.h"

#include <QString>

#include <gtest/gtest.h>

TEST(XmlNameRulesTest, AcceptsNameProductionIncludingColons)
{
    for (const char16_t* name : {u"a", u"_x", u":", u"a:", u":a", u"x:y:z", u"a-b.c9", u"\u00C0b",
                                 u"\u3001", u"a\u00B7", u"a\u0300", u"a\u203F", u"\uFFFD"})
        EXPECT_TRUE(IsValidXmlName(QStringView(name))) << QString::fromUtf16(name).toStdString();
}

TEST(XmlNameRulesTest, RefusesBadStartsSpacesAndSurrogates)
{
    for (const char16_t* name :
         {u"", u"1a", u"-a", u".a", u"a b", u"a\tb", u"\u00B7a", u"\u00D7", u"\u00F7", u"a\u00D7",
          u"\u037E", u"\u2000", u"\uFFFE", u"a<b", u"\U0001F600", u"a\U00010000"})
        EXPECT_FALSE(IsValidXmlName(QStringView(name))) << QString::fromUtf16(name).toStdString();
}
