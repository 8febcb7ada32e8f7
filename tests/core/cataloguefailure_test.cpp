#include "diskconditions.h"
#include "store/catalogue.h"
#include "store/cataloguefailure.h"
#include "testsupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

DiscRecord disc(const QString& number)
{
    return { number, {}, QStringLiteral("DVD "), {}, {}, {} };
}

// What is left of a message once the file names in it are taken out: the engine's English words
// ("database is locked", "unable to open") must not be among it.
void expectNoEngineWords(QString message, const QStringList& paths)
{
    for (const QString& p : paths)
        message.remove(QDir::toNativeSeparators(p));
    EXPECT_FALSE(message.contains(QRegularExpression(QStringLiteral("[A-Za-z]{4,}"))))
        << message.toStdString();
    EXPECT_FALSE(message.contains(QStringLiteral("参数数量"))) << message.toStdString();
}

class CatalogueFailures : public ::testing::Test
{
protected:
    void SetUp() override
    {
        home_.addDisc(QStringLiteral("1"), QStringLiteral("动作"));
        home_.addMovie(1, QStringLiteral("英雄"), 1);
    }
    QString file() const { return home_.folder().catalogueFile(); }
    Catalogue catalogue() const { return Catalogue(file()); }

    TestHome home_;
};

} // namespace

// Reads and writes alike wait for a held catalogue, keep the event loop turning meanwhile, and
// then say who holds it, in words a user can act on.
TEST_F(CatalogueFailures, HeldCatalogueIsNamedAfterAWaitThatKeepsEventsFlowing)
{
    RawDb other(file());
    other.exec(QStringLiteral("BEGIN EXCLUSIVE"));
    int ticks = 0;
    QTimer painter;
    QObject::connect(&painter, &QTimer::timeout, [&] { ++ticks; });
    painter.start(20);

    QElapsedTimer waited;
    waited.start();
    QString error;
    EXPECT_FALSE(catalogue().updateMovie(1, { { MovieField::MovieName, QStringLiteral("x") } }, &error));
    EXPECT_GE(waited.elapsed(), 2500);
    EXPECT_GE(ticks, 50) << "the wait must let the windows paint";
    EXPECT_EQ(error, CatalogueFailure::lockedMessage(file()));
    expectNoEngineWords(error, { file() });

    error.clear();
    EXPECT_FALSE(catalogue().findMovie(1, &error).has_value());
    EXPECT_EQ(error, CatalogueFailure::lockedMessage(file()));

    other.exec(QStringLiteral("ROLLBACK"));
    EXPECT_EQ((*catalogue().findMovie(1))[MovieField::MovieName].toString(), QStringLiteral("英雄"));
}

// A plain reader in another program keeps a write from being committed: still a lock.
TEST_F(CatalogueFailures, ReaderInAnotherProgramHoldsBackADeletion)
{
    RawDb other(file());
    other.exec(QStringLiteral("BEGIN"));
    EXPECT_EQ(other.rows(QStringLiteral("SELECT count(*) FROM ReelShelfIndex")), QStringList { "1" });
    QString error;
    EXPECT_FALSE(catalogue().deleteMovie(1, &error));
    EXPECT_TRUE(error.contains(CatalogueFailure::lockedMessage(file()))) << error.toStdString();
    other.exec(QStringLiteral("ROLLBACK"));
    EXPECT_EQ(home_.movieIds(), QList<double> { 1 });
}

TEST_F(CatalogueFailures, ReadOnlyFileAndReadOnlyFolderAreToldApart)
{
    {
        const WriteProtected protect(file());
        if (!protect.active())
            GTEST_SKIP() << "this file system cannot refuse writes to this user";
        const DiscOutcome saved
            = catalogue().updateDisc(QStringLiteral("1"), { QStringLiteral("新名"), {}, {}, {} });
        EXPECT_EQ(saved.status, DiscOutcome::Failed);
        EXPECT_TRUE(saved.error.contains(QStringLiteral("只读文件"))) << saved.error.toStdString();
        EXPECT_TRUE(saved.error.contains(QDir::toNativeSeparators(file())));
        expectNoEngineWords(saved.error, { file() });
    }
    {
        const WriteProtected protect(home_.path());
        QString error;
        EXPECT_FALSE(catalogue().addDisc(disc(QStringLiteral("2")), &error));
        EXPECT_TRUE(error.contains(QStringLiteral("不允许写入"))) << error.toStdString();
        EXPECT_TRUE(error.contains(QDir::toNativeSeparators(home_.path()))) << error.toStdString();
        expectNoEngineWords(error, { file(), home_.path() });
    }
    EXPECT_EQ(home_.discRows(), QStringList { "1|动作|DVD |-|-|-" });
}

TEST(CatalogueFullDisk, FullDiskIsSaidAndNothingIsHalfWritten)
{
    FullDisk disk(1);
    if (!disk.mounted())
        GTEST_SKIP() << "only root can mount a small disk here";
    const QString file = disk.path() + QStringLiteral("/ShelfIndex.db");
    QString error;
    ASSERT_TRUE(Catalogue(file).prepare(&error)) << error.toStdString();
    ASSERT_TRUE(Catalogue(file).addDisc(disc(QStringLiteral("1")), &error));
    disk.fill();

    QList<MovieRecord> movies;
    for (int i = 1; i <= 200; ++i)
        movies << movieWith({ { MovieField::ID, i }, { MovieField::MovieName, QStringLiteral("片名") },
            { MovieField::PS, QString(2000, u'简') }, { MovieField::DiskNum, 1 } });
    EXPECT_FALSE(Catalogue(file).addMovies(movies, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("磁盘已满"))) << error.toStdString();
    expectNoEngineWords(error, { file });
    EXPECT_EQ(Catalogue(file).movieCount(), 0);
    EXPECT_EQ(Catalogue(file).discs()->size(), 1);
}

TEST_F(CatalogueFailures, DamagedPagesAreCalledDamagedNotMalformed)
{
    QList<MovieRecord> movies;
    for (int i = 2; i <= 400; ++i)
        movies << movieWith(
            { { MovieField::ID, i }, { MovieField::MovieName, QStringLiteral("片名%1").arg(i) },
                { MovieField::PS, QString(300, u'简') }, { MovieField::DiskNum, 1 } });
    ASSERT_TRUE(catalogue().addMovies(movies));
    QByteArray bytes = readBytes(file());
    ASSERT_GT(bytes.size(), 40 * 4096);
    for (qsizetype i = 8 * 4096; i < 30 * 4096; ++i)
        bytes[i] = char(0xA5 ^ (i * 7));
    writeBytes(file(), bytes);

    QString error;
    EXPECT_FALSE(catalogue().forEachMovie([](const MovieRecord&) { return true; }, &error));
    EXPECT_EQ(error, CatalogueFailure::damagedMessage(file()));
    EXPECT_TRUE(error.contains(QStringLiteral("恢复备份"))) << error.toStdString();
}

// Another program that took the number first: the user hears that, not "UNIQUE constraint failed".
TEST_F(CatalogueFailures, NumberTakenMeanwhileIsExplained)
{
    QString error;
    EXPECT_FALSE(catalogue().addMovie(
        movieWith({ { MovieField::ID, 1 }, { MovieField::MovieName, QStringLiteral("另一部") } }), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("已有同一编号"))) << error.toStdString();
    expectNoEngineWords(error, { file() });
    EXPECT_EQ(home_.movieIds(), QList<double> { 1 });
}

TEST(CatalogueFailureText, UnknownCausesKeepTheEngineWordsInBrackets)
{
    const QString text = CatalogueFailure::message(
        QStringLiteral("/x/ShelfIndex.db"), 1, QStringLiteral("near \"x\": syntax error"));
    EXPECT_TRUE(text.contains(QStringLiteral("（near \"x\": syntax error）"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("/x/ShelfIndex.db")));
}
