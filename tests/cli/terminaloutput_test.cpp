#include "terminaloutput.h"

#include <gtest/gtest.h>
#include <unistd.h>

// File names with escape sequences must not drive the terminal; the text around them stays.
TEST(TerminalOutput, ControlsBecomeQuestionMarksAndTextStays)
{
    EXPECT_EQ(terminalSafe("\x1B[31mRED\x1B]0;TITLE\x07.avi\n"), QByteArray("?[31mRED?]0;TITLE?.avi\n"));
    EXPECT_EQ(terminalSafe("a\rb\x7F\tc\n"), QByteArray("a?b?\tc\n"));
    EXPECT_EQ(terminalSafe(QStringLiteral("英雄\u009B2J é").toUtf8()), QStringLiteral("英雄?2J é").toUtf8());
    EXPECT_EQ(terminalSafe(QStringLiteral("碟# 12 / 共5部影视.").toUtf8()),
        QStringLiteral("碟# 12 / 共5部影视.").toUtf8());
}

TEST(TerminalOutput, AControlSplitBetweenTwoWritesIsStillCaught)
{
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    {
        TerminalOutput out(fds[1]);
        out.write("ab\xC2");
        out.write("\x9B[2Jc\xC3");
        out.write("\xA9\n");
    }
    ::close(fds[1]);
    char buffer[64] = {};
    const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
    ::close(fds[0]);
    EXPECT_EQ(QByteArray(buffer, int(n)), QByteArray("ab?[2Jc\xC3\xA9\n"));
}
