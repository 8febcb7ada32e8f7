#include "store/textrules.h"
#include "testsupport.h"

#include <gtest/gtest.h>

using namespace TextRules;

TEST(TextRules, TrimRemovesBlanksOnly)
{
    EXPECT_EQ(trimBlanks(QStringLiteral("  DVD ")), QStringLiteral("DVD"));
    EXPECT_EQ(trimBlanks(QStringLiteral("\tDVD\n")), QStringLiteral("\tDVD\n"));
    EXPECT_EQ(trimBlanks(QStringLiteral("\u3000片名\u3000 ")), QStringLiteral("\u3000片名\u3000"));
    EXPECT_EQ(trimBlanks(QStringLiteral("   ")), QString());
}
