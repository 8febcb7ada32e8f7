// Pictures a commit stages and puts in place after it, and what a start after a kill finishes.
#include "wizardcommitfixture.h"

using TextRules::TextEncoding;

namespace {

// The tests of a suite share one fixture class; these take the wizard's under a name of their own.
class PosterInstallTest : public WizardCommitTest
{
};

} // namespace

TEST_F(PosterInstallTest, AnInstallCutShortIsFinishedAtTheNextStartAndAnUnrecordedOneRemoved)
{
    // What a kill leaves after the transaction stored the movies and their pending install, and
    // what one leaves before it: a staging folder that no stored record names.
    const DataFolder folder = home_.folder();
    const QString incoming = folder.postersDir() + QStringLiteral("/.incoming");
    writeBytes(incoming + QStringLiteral("/done/Posters/0.jpg"), "first poster");
    writeBytes(incoming + QStringLiteral("/stale/Posters/0.jpg"), "never stored");
    writeBytes(poster(7), "poster of a deleted movie");
    writeBytes(poster(8), "poster moved before the kill");
    home_.addMovie(7, QStringLiteral("有海报"), 1);
    home_.addMovie(8, QStringLiteral("已放好"), 1);
    home_.addMovie(9, QStringLiteral("没有海报"), 1);
    writeBytes(poster(9), "poster of another deleted movie");
    home_.exec(QStringLiteral("CREATE TABLE PendingPosters (Staging TEXT, Staged TEXT, ID REAL)"));
    home_.exec(QStringLiteral(
        "INSERT INTO PendingPosters VALUES ('done', '0.jpg', 7), ('done', '1.jpg', 8), ('done', NULL, 9)"));

    {
        // While another program stages posters, a start leaves every staging folder alone.
        PosterInstall::Staging busy(folder);
        ASSERT_TRUE(busy.ok()) << busy.error().toStdString();
        EXPECT_TRUE(PosterInstall::finishInterrupted(folder));
        EXPECT_TRUE(QFileInfo::exists(incoming + QStringLiteral("/stale")));
        EXPECT_EQ(readBytes(poster(7)), QByteArray("poster of a deleted movie"));
    }
    QString problem;
    EXPECT_TRUE(PosterInstall::finishInterrupted(folder, &problem)) << problem.toStdString();
    EXPECT_EQ(readBytes(poster(7)), QByteArray("first poster"));
    EXPECT_EQ(readBytes(poster(8)), QByteArray("poster moved before the kill"));
    EXPECT_FALSE(QFileInfo::exists(poster(9)));
    EXPECT_TRUE(QDir(incoming).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).isEmpty());
    EXPECT_EQ(RawDb(folder.catalogueFile()).rows(QStringLiteral("SELECT count(*) FROM PendingPosters")),
        QStringList({ QStringLiteral("0") }));
    // Done once: a second start changes nothing.
    writeBytes(poster(9), "a poster chosen later in the editor");
    EXPECT_TRUE(PosterInstall::finishInterrupted(folder));
    EXPECT_EQ(readBytes(poster(9)), QByteArray("a poster chosen later in the editor"));
}

TEST_F(PosterInstallTest, AKeepingAsideOnAnotherDiskThatAKillCutShortIsFinished)
{
    // Backups lies on another disk, and a kill came after the leftover poster was copied there but
    // before it was removed: the next start finishes the move and puts the new poster in place.
    FullDisk other(4);
    if (!other.mounted())
        GTEST_SKIP() << "only root can mount a second disk here";
    const DataFolder folder = home_.folder();
    ASSERT_TRUE(QDir().mkpath(other.path(QStringLiteral("Replaced-X/Posters"))));
    ASSERT_TRUE(QFile::link(other.path(), home_.path() + QStringLiteral("/Backups")));
    writeBytes(poster(1), "poster of a deleted movie");
    writeBytes(other.path(QStringLiteral("Replaced-X/Posters/1.jpg")), "poster of a deleted movie");
    leaveNewPosterKeepingLeftoverAside();

    QString problem;
    EXPECT_TRUE(PosterInstall::finishInterrupted(folder, &problem)) << problem.toStdString();
    EXPECT_EQ(readBytes(poster(1)), QByteArray("new poster"));
    EXPECT_EQ(readBytes(other.path(QStringLiteral("Replaced-X/Posters/1.jpg"))),
        QByteArray("poster of a deleted movie"));
    EXPECT_EQ(RawDb(folder.catalogueFile()).rows(QStringLiteral("SELECT count(*) FROM PendingPosters")),
        QStringList({ QStringLiteral("0") }));
}

TEST_F(PosterInstallTest, ALeftoverThatTheNextStartCannotKeepAsideWaitsWithItsNewPoster)
{
    // A kill left an install whose leftover poster must go aside first; the backups folder cannot
    // take it at this start. Nothing is given up: the next start that can, finishes it.
    const DataFolder folder = home_.folder();
    writeBytes(poster(1), "poster of a deleted movie");
    writeBytes(home_.path() + QStringLiteral("/Backups"), "in the way");
    const QString incoming = leaveNewPosterKeepingLeftoverAside();

    QString problem;
    EXPECT_FALSE(PosterInstall::finishInterrupted(folder, &problem));
    EXPECT_EQ(problem,
        QStringLiteral("无法完成上次中断的海报复制（该位置被其他文件或文件夹占用），将在下次启动时再试。"));
    EXPECT_EQ(readBytes(incoming + QStringLiteral("/cut/Posters/0.jpg")), QByteArray("new poster"));
    EXPECT_EQ(RawDb(folder.catalogueFile()).rows(QStringLiteral("SELECT count(*) FROM PendingPosters")),
        QStringList({ QStringLiteral("1") }));

    ASSERT_TRUE(QFile::remove(home_.path() + QStringLiteral("/Backups")));
    EXPECT_TRUE(PosterInstall::finishInterrupted(folder, &problem)) << problem.toStdString();
    EXPECT_EQ(readBytes(poster(1)), QByteArray("new poster"));
    EXPECT_EQ(readBytes(home_.path() + QStringLiteral("/Backups/Replaced-X/Posters/1.jpg")),
        QByteArray("poster of a deleted movie"));
}

TEST_F(PosterInstallTest, ALeftoverPosterThatIsALinkGoesAsideAsALinkToAnotherDisk)
{
    FullDisk other(4);
    if (!other.mounted())
        GTEST_SKIP() << "only root can mount a second disk here";
    ASSERT_TRUE(QFile::link(other.path(), home_.path() + QStringLiteral("/Backups")));
    writeBytes(home_.path() + QStringLiteral("/real7.jpg"), "a deleted movie's poster, linked");
    ASSERT_TRUE(QFile::link(QStringLiteral("../real7.jpg"), poster(1)));
    const QByteArray own = writeJpeg(tree_.path(QStringLiteral("A/A.jpg")), 4096, Qt::red);
    const Result r = commitRows({ row(QStringLiteral("A/A.avi")) });
    ASSERT_TRUE(r.stored) << r.error.toStdString();
    EXPECT_TRUE(r.warnings.isEmpty()) << r.warnings.join(u'\n').toStdString();
    EXPECT_EQ(readBytes(poster(1)), own);
    const QStringList kept = QDir(other.path()).entryList({ QStringLiteral("Replaced-*") }, QDir::Dirs);
    ASSERT_EQ(kept.size(), 1);
    // The link itself is kept, as it was; what it points to stays where it is.
    EXPECT_TRUE(QFileInfo(other.path(kept.first() + QStringLiteral("/Posters/1.jpg"))).isSymLink());
    EXPECT_EQ(readBytes(home_.path() + QStringLiteral("/real7.jpg")),
        QByteArray("a deleted movie's poster, linked"));
}

TEST_F(PosterInstallTest, ACommitLeavesNoStagingOrPendingRecordBehind)
{
    writeJpeg(tree_.path(QStringLiteral("a/cover.jpg")), 4096, Qt::red);
    const Result r = commitRows({ row(QStringLiteral("a/One.avi")), row(QStringLiteral("b/Two.avi")) });
    ASSERT_TRUE(r.stored) << r.error.toStdString();
    EXPECT_TRUE(QFileInfo::exists(poster(1)));
    const QDir incoming(home_.folder().postersDir() + QStringLiteral("/.incoming"));
    EXPECT_TRUE(incoming.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).isEmpty());
    EXPECT_EQ(
        RawDb(home_.folder().catalogueFile()).rows(QStringLiteral("SELECT count(*) FROM PendingPosters")),
        QStringList({ QStringLiteral("0") }));

    // A refused commit leaves no staging either.
    const Result refused = commitRows({ row(QStringLiteral("a/Three.avi")) });
    EXPECT_FALSE(refused.stored);
    EXPECT_TRUE(incoming.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).isEmpty());
}
