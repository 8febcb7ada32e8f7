// reelshelf-cli lend, return and loans on a real catalogue, with the window's checks and messages.
#include "store/catalogue.h"
#include "store/loans.h"
#include "testsupport.h"

#include <QDate>
#include <gtest/gtest.h>

namespace {

class LoansCli : public ::testing::Test
{
protected:
    void SetUp() override
    {
        home.addDisc(
            QStringLiteral("3"), QStringLiteral("动作片 "), QStringLiteral("DVD "), QStringLiteral("良好"));
        home.addDisc(QStringLiteral("4"));
    }
    CliRun cli(const QStringList& args) { return runCliCaptured(home, args); }

    TestHome home;
    const QString today = Loans::dateText(QDate::currentDate());
    const QString inAWeek = Loans::dateText(QDate::currentDate().addDays(7));
};

} // namespace

TEST_F(LoansCli, LendsListsAndTakesBackWithTheWindowsMessages)
{
    CliRun r = cli({ "lend", "--disc", "3", "--to", "老王", "--due", inAWeek, "--note", "周末看" });
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("碟3 已借给 老王（%1 借出）。\n").arg(today));
    EXPECT_EQ(home.discRows().first(), QStringLiteral("3|动作片 |DVD |外借|-|-"));

    r = cli({ "lend", "--disc", " 3", "--to", "小李" });
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(
        r.err, QStringLiteral("碟3已于 %1 借给老王，还没有归还，不能再次借出。请先归还。\n").arg(today));
    r = cli({ "lend", "--disc", "30", "--to", "小李" });
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, Catalogue::missingDiscMessage(QStringLiteral("30")) + u'\n');
    r = cli({ "lend", "--disc", "4", "--to", " " });
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, QStringLiteral("请填写借阅人。\n"));
    r = cli({ "lend", "--disc", "4", "--to", "小李", "--due",
        QDate::currentDate().addDays(-1).toString(Qt::ISODate) });
    EXPECT_EQ(r.code, 1) << "due before today";
    ASSERT_TRUE(cli({ "lend", "--disc", "4", "--to", "小李" }).code == 0);

    r = cli({ "loans", "--json" });
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.lines(),
        (QStringList {
            QStringLiteral(
                "{\"disc\": \"3\", \"name\": \"动作片\", \"borrower\": \"老王\", \"lent\": \"%1\", "
                "\"due\": \"%2\", \"returned\": null, \"note\": \"周末看\"}")
                .arg(today, inAWeek),
            QStringLiteral("{\"disc\": \"4\", \"name\": null, \"borrower\": \"小李\", \"lent\": \"%1\", "
                           "\"due\": null, \"returned\": null, \"note\": null}")
                .arg(today) }));

    r = cli({ "return", "--disc", "3" });
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("碟3 已由 老王 归还（%1）。\n").arg(today));
    EXPECT_EQ(home.discRows().first(), QStringLiteral("3|动作片 |DVD |良好|-|-"));
    r = cli({ "return", "--disc", "3" });
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, QStringLiteral("碟3没有借出，无需归还。\n"));
    EXPECT_EQ(cli({ "return", "--disc", "30" }).code, 1);

    r = cli({ "loans", "--open", "--json" });
    ASSERT_EQ(r.lines().size(), 1);
    EXPECT_TRUE(r.lines().first().startsWith(QStringLiteral("{\"disc\": \"4\"")));
    r = cli({ "loans" });
    ASSERT_EQ(r.code, 0);
    EXPECT_TRUE(r.out.contains(QStringLiteral("借阅人"))) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("（未还）"))) << r.out.toStdString();
    EXPECT_EQ(r.lines().size(), 4) << "header, rule and two loans";

    r = cli({ "stats", "--json" });
    EXPECT_TRUE(r.out.contains(QStringLiteral("\"lentByBorrower\": [{\"name\": \"小李\", \"count\": 1}]")))
        << r.out.toStdString();

    // A name past any screen's width runs on in its own line and pads no other.
    ASSERT_EQ(cli({ "lend", "--disc", "3", "--to", QString(40000, u'长') }).code, 0);
    r = cli({ "loans" });
    ASSERT_EQ(r.lines().size(), 5);
    EXPECT_TRUE(r.lines().at(4).contains(QString(40000, u'长')));
    for (int i : { 0, 1, 2, 3 })
        EXPECT_LT(r.lines().at(i).size(), 200) << i;
}

TEST_F(LoansCli, BadUsageAndBadDatesAreUsageErrors)
{
    const QList<QStringList> bad = { { "lend", "--disc", "3" }, { "lend", "--to", "甲" },
        { "lend", "--disc", "3", "--to", "甲", "--to", "乙" }, { "lend", "--disc", "3", "--to" },
        { "return" }, { "return", "--disc", "3", "--json" }, { "loans", "--all" } };
    for (const QStringList& args : bad) {
        const CliRun r = cli(args);
        EXPECT_EQ(r.code, 2) << args.join(u' ').toStdString();
        EXPECT_TRUE(r.err.contains(QStringLiteral("用法"))) << r.err.toStdString();
    }
    for (const char* date : { "2026-02-30", "2026-3-1", "next week" }) {
        const CliRun r = cli({ "lend", "--disc", "3", "--to", "甲", "--due", QString::fromUtf8(date) });
        EXPECT_EQ(r.code, 2) << date;
        EXPECT_TRUE(
            r.err.startsWith(QStringLiteral("日期“%1”无效：请写成 YYYY-MM-DD").arg(QString::fromUtf8(date))))
            << r.err.toStdString();
    }
    EXPECT_EQ(home.discRows().first(), QStringLiteral("3|动作片 |DVD |良好|-|-")) << "nothing was lent";
    EXPECT_TRUE(
        cli({ "--help" })
            .out.contains(QStringLiteral("lend --disc N --to NAME [--due YYYY-MM-DD] [--note TEXT]")));
}
