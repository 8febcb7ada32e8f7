#include "stats/collectionstats.h"
#include "store/backups.h"
#include "store/catalogue.h"
#include "store/loans.h"
#include "testsupport.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <gtest/gtest.h>

namespace {

const QDate march1(2026, 3, 1);

Loans::Lending lending(
    const QString& borrower, const QDate& lent = march1, const QDate& due = {}, const QString& note = {})
{
    return { borrower, lent, due, note };
}

class LoansTest : public ::testing::Test
{
protected:
    QString file() const { return home.folder().catalogueFile(); }
    Loans::Outcome lend(const QString& disc, const Loans::Lending& l) { return Loans::lend(file(), disc, l); }
    Loans::Outcome giveBack(const QString& disc, const QDate& on = march1.addDays(10))
    {
        return Loans::giveBack(file(), disc, on);
    }
    // Each loan as "disc|borrower|lent|due|returned|note|earlier", null as "<null>".
    QStringList loanRows()
    {
        RawDb db(file());
        return db.rows(QStringLiteral("SELECT DiskNum, Borrower, Lent, Due, Returned, Note, EarlierStation "
                                      "FROM ShelfLoans ORDER BY rowid"));
    }

    TestHome home;
};

} // namespace

TEST_F(LoansTest, LendingMarksTheDiscLentAndReturningPutsItsConditionBack)
{
    home.addDisc(
        QStringLiteral("12"), QStringLiteral("动作片 "), QStringLiteral("DVD "), QStringLiteral("良好 "));
    home.addDisc(QStringLiteral(" 7 "));

    const Loans::Outcome lent = lend(QStringLiteral("12 "),
        lending(QStringLiteral(" 老王 "), march1, march1.addDays(14), QStringLiteral("周末看")));
    ASSERT_TRUE(lent.ok()) << lent.message.toStdString();
    EXPECT_EQ(lent.loan.borrower, QStringLiteral("老王"));
    EXPECT_EQ(home.discRows().first(), QStringLiteral("12|动作片 |DVD |外借|-|-"));
    EXPECT_EQ(
        loanRows(), QStringList { QStringLiteral("12|老王|2026-03-01|2026-03-15|<null>|周末看|良好 ") });

    // Twice: refused with the loan that stands, nothing written.
    const Loans::Outcome twice = lend(QStringLiteral("12"), lending(QStringLiteral("小李")));
    EXPECT_EQ(twice.status, Loans::Outcome::Refused);
    EXPECT_EQ(
        twice.message, QStringLiteral("碟12已于 2026-03-01 借给老王，还没有归还，不能再次借出。请先归还。"));
    EXPECT_EQ(loanRows().size(), 1);

    const Loans::Outcome back = giveBack(QStringLiteral("12"), QDate(2026, 3, 20));
    ASSERT_TRUE(back.ok()) << back.message.toStdString();
    EXPECT_EQ(home.discRows().first(), QStringLiteral("12|动作片 |DVD |良好 |-|-"))
        << "the stored form comes back";
    EXPECT_EQ(loanRows().first(), QStringLiteral("12|老王|2026-03-01|2026-03-15|2026-03-20|周末看|良好 "));

    const Loans::Outcome again = giveBack(QStringLiteral("12"));
    EXPECT_EQ(again.status, Loans::Outcome::Refused);
    EXPECT_EQ(again.message, QStringLiteral("碟12没有借出，无需归还。"));

    // A disc without a condition gets none back; the history keeps both loans in order.
    ASSERT_TRUE(lend(QStringLiteral("7"), lending(QStringLiteral("小李"), march1.addDays(2))).ok());
    EXPECT_EQ(home.discRows().last(), QStringLiteral(" 7 |-|DVD |外借|-|-"));
    ASSERT_TRUE(giveBack(QStringLiteral("7")).ok());
    EXPECT_EQ(home.discRows().last(), QStringLiteral(" 7 |-|DVD |-|-|-"));
    ASSERT_TRUE(lend(QStringLiteral("12"), lending(QStringLiteral("小李"), march1.addDays(30))).ok());

    const auto all = Loans::all(file(), nullptr);
    ASSERT_TRUE(all);
    ASSERT_EQ(all->size(), 3);
    EXPECT_FALSE(all->at(0).open());
    EXPECT_EQ(all->at(1).disc, QStringLiteral("7"));
    EXPECT_TRUE(all->at(2).open());
    EXPECT_EQ(Loans::ofDisc(file(), QStringLiteral("12"), nullptr)->size(), 2);
    EXPECT_EQ(
        *Loans::borrowers(file(), nullptr), (QStringList { QStringLiteral("小李"), QStringLiteral("老王") }));
    EXPECT_EQ(Loans::openByDisc(file(), nullptr)->keys(), QStringList { QStringLiteral("12") });
}

TEST_F(LoansTest, AConditionSetWhileOutStaysAndAHandMadeLentMarkIsNotPutBack)
{
    home.addDisc(QStringLiteral("1"), {}, QStringLiteral("DVD "), QStringLiteral("良好"));
    home.addDisc(QStringLiteral("2"), {}, QStringLiteral("DVD "), QStringLiteral("外借"));
    ASSERT_TRUE(lend(QStringLiteral("1"), lending(QStringLiteral("甲"))).ok());
    ASSERT_TRUE(lend(QStringLiteral("2"), lending(QStringLiteral("乙"))).ok());
    // It came back damaged and the user said so before taking it back.
    home.exec(QStringLiteral("UPDATE DiskState SET Station = '破损' WHERE DiskNum = '1'"));
    ASSERT_TRUE(giveBack(QStringLiteral("1")).ok());
    ASSERT_TRUE(giveBack(QStringLiteral("2")).ok());
    EXPECT_EQ(home.discRows(),
        (QStringList { QStringLiteral("1|-|DVD |破损|-|-"), QStringLiteral("2|-|DVD |良好|-|-") }));
}

TEST_F(LoansTest, RefusesAnUnknownDiscNoBorrowerAndADueDateBeforeTheLending)
{
    home.addDisc(QStringLiteral("3"));
    const Loans::Outcome unknown = lend(QStringLiteral("30"), lending(QStringLiteral("甲")));
    EXPECT_EQ(unknown.status, Loans::Outcome::NoSuchDisc);
    EXPECT_EQ(unknown.message, Catalogue::missingDiscMessage(QStringLiteral("30")));
    EXPECT_EQ(giveBack(QStringLiteral("30")).status, Loans::Outcome::NoSuchDisc);

    const Loans::Outcome nobody = lend(QStringLiteral("3"), lending(QStringLiteral("   ")));
    EXPECT_EQ(nobody.status, Loans::Outcome::Refused);
    EXPECT_EQ(nobody.message, QStringLiteral("请填写借阅人。"));
    const Loans::Outcome early
        = lend(QStringLiteral("3"), lending(QStringLiteral("甲"), march1, march1.addDays(-1)));
    EXPECT_EQ(early.status, Loans::Outcome::Refused);
    EXPECT_TRUE(early.message.contains(QStringLiteral("2026-02-28"))) << early.message.toStdString();
    EXPECT_TRUE(lend(QStringLiteral("3"), lending(QStringLiteral("甲"), march1, march1)).ok())
        << "due the same day";
    EXPECT_EQ(loanRows().size(), 1);
    EXPECT_EQ(home.discRows(), QStringList { QStringLiteral("3|-|DVD |外借|-|-") });

    // Back on the 11th, it cannot have gone out again on the 5th: two people never hold it at once.
    ASSERT_TRUE(giveBack(QStringLiteral("3")).ok());
    const Loans::Outcome overlapping
        = lend(QStringLiteral("3"), lending(QStringLiteral("乙"), march1.addDays(4)));
    EXPECT_EQ(overlapping.status, Loans::Outcome::Refused);
    EXPECT_EQ(overlapping.message,
        QStringLiteral("借出日期 2026-03-05 早于碟3上次归还的日期 2026-03-11，请改正。"));
    EXPECT_TRUE(lend(QStringLiteral("3"), lending(QStringLiteral("乙"), march1.addDays(10))).ok())
        << "the same day";
}

TEST_F(LoansTest, DatesAndTexts)
{
    EXPECT_EQ(Loans::readDate(QStringLiteral("2026-03-15")), QDate(2026, 3, 15));
    for (const char* bad : { "2026-02-30", "2026-3-15", "15.03.2026", "2026-03-15x", "", "20260315" })
        EXPECT_FALSE(Loans::readDate(QString::fromLatin1(bad)).isValid()) << bad;

    const Loans::Loan loan { 1, QStringLiteral("12"), QStringLiteral("老王"), march1, QDate(2026, 3, 15), {},
        {}, {} };
    EXPECT_EQ(Loans::stateText(loan, QDate(2026, 3, 18)),
        QStringLiteral("借给 老王，应于 2026-03-15 归还，已逾期 3 天"));
    EXPECT_EQ(Loans::stateText(loan, QDate(2026, 3, 15)),
        QStringLiteral("借给 老王（2026-03-01 借出），应于 2026-03-15 归还"))
        << "due today is not overdue";
    EXPECT_EQ(loan.daysOut(QDate(2026, 3, 18)), 17);
    EXPECT_EQ(Loans::historyLine(loan), QStringLiteral("2026-03-01 至今 借给 老王"));

    // A name that looks like a placeholder is shown as typed.
    const Loans::Loan odd { 2, QStringLiteral("7"), QStringLiteral("%1"), march1, QDate(2026, 3, 15), {}, {},
        {} };
    EXPECT_EQ(Loans::stateText(odd, QDate(2026, 3, 18)),
        QStringLiteral("借给 %1，应于 2026-03-15 归还，已逾期 3 天"));
    EXPECT_TRUE(Loans::openLoansText({ { odd, QStringLiteral("50%1") } }, QDate(2026, 3, 18))
                    .contains(QStringLiteral("碟#7[50%1]  2026-03-01 借出，已借 17 天，")));
}

TEST_F(LoansTest, DeletingADiscDeletesItsLoansAndNoOtherDiscs)
{
    home.addDisc(QStringLiteral("12"));
    home.addDisc(QStringLiteral("120"));
    ASSERT_TRUE(lend(QStringLiteral("12"), lending(QStringLiteral("甲"))).ok());
    ASSERT_TRUE(giveBack(QStringLiteral("12"), march1).ok());
    ASSERT_TRUE(lend(QStringLiteral("12"), lending(QStringLiteral("乙"))).ok());
    ASSERT_TRUE(lend(QStringLiteral("120"), lending(QStringLiteral("丙"))).ok());

    ASSERT_TRUE(Catalogue(file()).deleteDiscWithMovies(QStringLiteral("12")).ok());
    EXPECT_EQ(loanRows(), QStringList { QStringLiteral("120|丙|2026-03-01|<null>|<null>|<null>|<null>") });
    // A disc given the number later starts with no loan.
    home.addDisc(QStringLiteral("12"));
    EXPECT_TRUE(lend(QStringLiteral("12"), lending(QStringLiteral("丁"))).ok());

    // Deleted by another program, the disc leaves its loan behind; a disc given its number again
    // does not inherit it, while the loans of other discs stay.
    home.exec(QStringLiteral("DELETE FROM DiskState WHERE DiskNum = '12'"));
    home.addDisc(QStringLiteral("12"), QStringLiteral("新"));
    EXPECT_EQ(loanRows(), QStringList { QStringLiteral("120|丙|2026-03-01|<null>|<null>|<null>|<null>") });
    home.addDisc(QStringLiteral("120"), QStringLiteral("同号"));
    EXPECT_EQ(loanRows().size(), 1) << "a number still carried keeps its loans";
}

TEST_F(LoansTest, ReplacingTheCatalogueWholeForgetsTheLoans)
{
    home.addDisc(QStringLiteral("1"));
    ASSERT_TRUE(lend(QStringLiteral("1"), lending(QStringLiteral("甲"))).ok());
    CatalogueContents contents;
    contents.discs.append({ QStringLiteral("1"), {}, QStringLiteral("DVD "), {}, {}, {} });
    QString error;
    ASSERT_TRUE(Catalogue(file()).replaceContents(contents, &error)) << error.toStdString();
    EXPECT_TRUE(loanRows().isEmpty());
}

TEST_F(LoansTest, ARestoredBackupBringsBackItsLoans)
{
    home.addDisc(QStringLiteral("5"), {}, QStringLiteral("DVD "), QStringLiteral("良好"));
    ASSERT_TRUE(lend(QStringLiteral("5"), lending(QStringLiteral("甲"))).ok());
    CatalogueBackups backups(home.folder());
    QString error, copy;
    ASSERT_TRUE(backups.take(QDateTime(march1, QTime(9, 0)), &error, &copy)) << error.toStdString();
    ASSERT_TRUE(giveBack(QStringLiteral("5")).ok());

    ASSERT_TRUE(backups.restore(copy, QDateTime(march1, QTime(10, 0)), &error)) << error.toStdString();
    const auto open = Loans::openByDisc(file(), nullptr);
    ASSERT_TRUE(open);
    EXPECT_EQ(open->value(QStringLiteral("5")).borrower, QStringLiteral("甲"));
    EXPECT_EQ(home.discRows(), QStringList { QStringLiteral("5|-|DVD |外借|-|-") });
    EXPECT_TRUE(giveBack(QStringLiteral("5")).ok()) << "the restored loan can be closed";
}

TEST_F(LoansTest, AnOlderCatalogueReadsAsHavingNoLoansAndGetsTheTableOnTheFirstLoan)
{
    // Made by another program: the three tables and nothing of ours.
    QFile::remove(file());
    {
        RawDb db(file());
        for (const QString& sql : Catalogue::schemaSql().split(u';', Qt::SkipEmptyParts))
            if (!sql.trimmed().isEmpty())
                db.exec(sql);
        db.exec(QStringLiteral("INSERT INTO DiskState (DiskNum, Station) VALUES ('4', '良好')"));
    }
    QString error;
    EXPECT_EQ(Loans::all(file(), &error)->size(), 0) << error.toStdString();
    EXPECT_TRUE(Loans::openLoans(file(), march1, &error)->isEmpty());
    EXPECT_EQ(CollectionStatistics::compute(Catalogue(file()), &error)->lentByBorrower.size(), 0);

    // Read-only, it still reads; a loan is refused and nothing changes.
    QFile::setPermissions(file(), QFileDevice::ReadOwner);
    if (!QFile(file()).open(QIODevice::ReadWrite)) {
        EXPECT_TRUE(Loans::borrowers(file(), &error)->isEmpty()) << error.toStdString();
        const Loans::Outcome refused = lend(QStringLiteral("4"), lending(QStringLiteral("甲")));
        EXPECT_EQ(refused.status, Loans::Outcome::Failed);
        EXPECT_FALSE(refused.message.isEmpty());
    }
    QFile::setPermissions(file(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    ASSERT_TRUE(lend(QStringLiteral("4"), lending(QStringLiteral("甲"))).ok());
    EXPECT_EQ(loanRows().size(), 1);
}

TEST_F(LoansTest, ALockedCatalogueOrAFailingWriteLeavesBothTheLoanAndTheConditionAsTheyWere)
{
    home.addDisc(QStringLiteral("8"), {}, QStringLiteral("DVD "), QStringLiteral("良好"));
    QString error;
    ASSERT_TRUE(Catalogue(file()).prepare(&error)) << error.toStdString();
    {
        RawDb other(file());
        other.exec(QStringLiteral("BEGIN EXCLUSIVE"));
        const Loans::Outcome locked = lend(QStringLiteral("8"), lending(QStringLiteral("甲")));
        EXPECT_EQ(locked.status, Loans::Outcome::Failed);
        EXPECT_TRUE(locked.message.contains(QStringLiteral("锁定"))) << locked.message.toStdString();
        other.exec(QStringLiteral("ROLLBACK"));
    }
    EXPECT_TRUE(loanRows().isEmpty());

    // The condition cannot be written after the loan row was: the loan goes too.
    home.exec(QStringLiteral("CREATE TRIGGER keepcondition BEFORE UPDATE OF Station ON DiskState BEGIN "
                             "SELECT RAISE(ABORT, 'condition kept'); END"));
    const Loans::Outcome lent = lend(QStringLiteral("8"), lending(QStringLiteral("甲")));
    EXPECT_EQ(lent.status, Loans::Outcome::Failed);
    EXPECT_TRUE(lent.message.contains(QStringLiteral("condition kept"))) << lent.message.toStdString();
    EXPECT_TRUE(loanRows().isEmpty());
    EXPECT_EQ(home.discRows(), QStringList { QStringLiteral("8|-|DVD |良好|-|-") });
    home.exec(QStringLiteral("DROP TRIGGER keepcondition"));

    // The return cannot be written: the disc stays lent.
    ASSERT_TRUE(lend(QStringLiteral("8"), lending(QStringLiteral("甲"))).ok());
    home.exec(QStringLiteral("CREATE TRIGGER keeploan BEFORE UPDATE ON ShelfLoans BEGIN "
                             "SELECT RAISE(ABORT, 'loan kept'); END"));
    EXPECT_EQ(giveBack(QStringLiteral("8")).status, Loans::Outcome::Failed);
    EXPECT_EQ(home.discRows(), QStringList { QStringLiteral("8|-|DVD |外借|-|-") });
    EXPECT_EQ(Loans::openByDisc(file(), nullptr)->size(), 1);
}

TEST_F(LoansTest, OpenLoansComeByBorrowerWithTheOverdueFirstAndAreCountedInTheStatistics)
{
    for (const char* disc : { "1", "2", "3", "4", "5", "6" })
        home.addDisc(QString::fromLatin1(disc), QStringLiteral("碟") + QString::fromLatin1(disc));
    const QDate today(2026, 4, 1);
    ASSERT_TRUE(lend(QStringLiteral("1"), lending(QStringLiteral("阿花"), QDate(2026, 3, 20))).ok());
    ASSERT_TRUE(lend(QStringLiteral("2"), lending(QStringLiteral("阿花"), QDate(2026, 3, 1))).ok());
    ASSERT_TRUE(
        lend(QStringLiteral("3"), lending(QStringLiteral("老王"), QDate(2026, 3, 1), QDate(2026, 3, 30)))
            .ok());
    ASSERT_TRUE(
        lend(QStringLiteral("4"), lending(QStringLiteral("小李"), QDate(2026, 3, 1), QDate(2026, 3, 20)))
            .ok());
    ASSERT_TRUE(lend(QStringLiteral("5"), lending(QStringLiteral("老王"), QDate(2026, 3, 25))).ok());
    ASSERT_TRUE(lend(QStringLiteral("6"), lending(QStringLiteral("阿花"), QDate(2026, 3, 2))).ok());
    ASSERT_TRUE(giveBack(QStringLiteral("6"), QDate(2026, 3, 3)).ok());

    QString error;
    const auto open = Loans::openLoans(file(), today, &error);
    ASSERT_TRUE(open) << error.toStdString();
    QStringList order;
    for (const Loans::OpenLoan& o : *open)
        order << o.loan.borrower + u'#' + o.loan.disc + u'/' + QString::number(o.loan.daysOut(today));
    // 小李 is 12 days overdue, 老王 2 (his overdue disc first), 阿花 none: longest out first.
    EXPECT_EQ(order,
        (QStringList { QStringLiteral("小李#4/31"), QStringLiteral("老王#3/31"), QStringLiteral("老王#5/7"),
            QStringLiteral("阿花#2/31"), QStringLiteral("阿花#1/12") }));
    EXPECT_EQ(open->first().discName, QStringLiteral("碟4"));
    EXPECT_TRUE(Loans::openLoansText(*open, today)
                    .contains(QStringLiteral(
                        "碟#4[碟4]  2026-03-01 借出，已借 31 天，应于 2026-03-20 归还，已逾期 12 天")));

    const auto stats = CollectionStatistics::compute(Catalogue(file()), &error);
    ASSERT_TRUE(stats) << error.toStdString();
    QStringList counted;
    for (const StatsBucket& b : stats->lentByBorrower)
        counted << b.name + u'=' + QString::number(b.count);
    EXPECT_EQ(counted,
        (QStringList { QStringLiteral("阿花=2"), QStringLiteral("老王=2"), QStringLiteral("小李=1") }));
    EXPECT_EQ(stats->discs, 6) << "the other figures stay";
}
