#include "movies/moviesaving.h"
#include "movies/posterfile.h"
#include "store/catalogue.h"
#include "testsupport.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>

namespace {

// Another program's try to rename movie 1 at once, without waiting for a lock.
bool renamedByAnotherProgram(const QString& catalogue)
{
    const QString name = QStringLiteral("another-program");
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(catalogue);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=0"));
        ok = db.open()
            && QSqlQuery(db).exec(
                QStringLiteral("UPDATE ReelShelfIndex SET MovieName = '别的' WHERE ID = 1"));
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

TEST(GuardedMovieWrites, TheCheckAndTheWriteAreOneTransaction)
{
    TestHome home;
    home.addMovie(1, QStringLiteral("英雄"), 12);
    home.addMovie(2, QStringLiteral("Alpha"), 12);
    Catalogue catalogue(home.folder().catalogueFile());
    const QString file = home.folder().catalogueFile();

    bool otherWrote = true;
    ASSERT_TRUE(catalogue.changeMovie(1, [&](const MovieRecord& stored) {
        EXPECT_EQ(stored[MovieField::MovieName], QStringLiteral("英雄"));
        otherWrote = renamedByAnotherProgram(file);
        return Catalogue::MovieChange { std::nullopt, { { MovieField::Year, QStringLiteral("2002 ") } } };
    }));
    EXPECT_FALSE(otherWrote) << "nobody can change the movie between the look and the write";
    EXPECT_EQ(catalogue.findMovie(1).value()[MovieField::MovieName], QStringLiteral("英雄"));
    EXPECT_EQ(catalogue.findMovie(1).value()[MovieField::Year], QStringLiteral("2002 "));

    QString error;
    otherWrote = true;
    EXPECT_FALSE(catalogue.deleteMovieIf(
        2,
        [&](const MovieRecord&) {
            otherWrote = renamedByAnotherProgram(file);
            return std::optional<QString>(QStringLiteral("不是它"));
        },
        &error));
    EXPECT_FALSE(otherWrote);
    EXPECT_EQ(error, QStringLiteral("不是它"));
    EXPECT_EQ(catalogue.movieCount(), 2) << "a refusal deletes nothing";
    EXPECT_FALSE(catalogue.changeMovie(
        8, [](const MovieRecord&) { return Catalogue::MovieChange {}; }, &error));
    EXPECT_EQ(error, QStringLiteral("找不到编号为 8 的影片记录。"));
}

// Files may grow only to `bytes` while it lives, as on a disk that is full.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &saved_);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, oldHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit saved_ {};
    void (*oldHandler_)(int) = nullptr;
};

TEST(PosterCopy, ACopyThatCannotReachTheDiskFailsAndKeepsTheOldPoster)
{
    TestHome home;
    home.writePicture(QStringLiteral("Posters/5.jpg"), 20, 30);
    const QByteArray old = readBytes(home.folder().posterFor(QStringLiteral("5")));
    // Small enough to sit in the write buffer until the file is closed.
    QByteArray picture("\xFF\xD8\xFF\xE0", 4);
    QRandomGenerator random(14);
    while (picture.size() < 12000)
        picture.append(char(random.bounded(256)));
    const QString source = home.path() + QStringLiteral("/cover.jpg");
    writeBytes(source, picture);

    QString error;
    bool copied = true;
    {
        const FileSizeLimit full(4096);
        copied = PosterFile::install(home.folder(), QStringLiteral("5"), source, &error);
    }
    EXPECT_FALSE(copied);
    EXPECT_TRUE(error.contains(QDir::toNativeSeparators(home.folder().posterFor(QStringLiteral("5")))))
        << error.toStdString();
    EXPECT_EQ(readBytes(home.folder().posterFor(QStringLiteral("5"))), old);
    EXPECT_EQ(QDir(home.folder().postersDir()).entryList(QDir::Files | QDir::Hidden).size(),
        QDir(home.folder().postersDir()).entryList({ QStringLiteral("*.jpg") }, QDir::Files).size())
        << "no temporary file is left behind";

    ASSERT_TRUE(PosterFile::install(home.folder(), QStringLiteral("5"), source, &error))
        << error.toStdString();
    EXPECT_EQ(readBytes(home.folder().posterFor(QStringLiteral("5"))), picture);
}

TEST(PosterCopy, ANewMovieWhosePosterTheDiskCannotTakeIsNotStored)
{
    TestHome home;
    home.addDisc(QStringLiteral("12"));
    QByteArray picture("\xFF\xD8\xFF\xE0", 4);
    QRandomGenerator random(27);
    while (picture.size() < 300000)
        picture.append(char(random.bounded(256)));
    const QString source = home.path() + QStringLiteral("/cover.jpg");
    writeBytes(source, picture);
    MovieForm form;
    form.discNumber = QStringLiteral("12");
    form.name = QStringLiteral("无间道");
    form.posterPath = source;

    Catalogue catalogue(home.folder().catalogueFile());
    MovieSaving::Outcome outcome;
    {
        const FileSizeLimit full(200000); // room for the catalogue's journal, not for the poster
        outcome = MovieSaving::saveNewMovie(catalogue, home.folder(), form);
    }
    EXPECT_FALSE(outcome.saved);
    EXPECT_TRUE(outcome.error.contains(QStringLiteral("海报"))) << outcome.error.toStdString();
    EXPECT_EQ(catalogue.movieCount(), 0) << "a movie is stored with its poster or not at all";
    EXPECT_EQ(QDir(home.folder().postersDir()).entryList(QDir::Files | QDir::Hidden),
        QStringList { QStringLiteral("00.jpg") });
}

TEST(NewMovies, ADiscDeletedBeforeTheWriteTakesNoMovie)
{
    TestHome home;
    home.addDisc(QStringLiteral("12"));
    home.writePicture(QStringLiteral("cover.jpg"), 20, 30);
    MovieForm form;
    form.discNumber = QStringLiteral("12");
    form.name = QStringLiteral("无间道");
    form.posterPath = home.path() + QStringLiteral("/cover.jpg");
    // The editor saw disc 12; another program deleted it before the confirm.
    home.exec(QStringLiteral("DELETE FROM DiskState"));
    Catalogue catalogue(home.folder().catalogueFile());
    const MovieSaving::Outcome outcome = MovieSaving::saveNewMovie(catalogue, home.folder(), form);
    EXPECT_FALSE(outcome.saved);
    EXPECT_EQ(outcome.error, QStringLiteral("此光盘不存在!请先建立光盘容器."));
    EXPECT_EQ(catalogue.movieCount(), 0);
    EXPECT_EQ(QDir(home.folder().postersDir()).entryList(QDir::Files | QDir::Hidden),
        QStringList { QStringLiteral("00.jpg") });
}

TEST(PosterCopy, CopiesAKillLeftBehindAreClearedOnceTheyAreOld)
{
    TestHome home;
    home.writePicture(QStringLiteral("cover.jpg"), 20, 30);
    const QString posters = home.folder().postersDir();
    const QString abandoned = posters + QStringLiteral("/.poster-00000000000000aa.part");
    const QString recent = posters + QStringLiteral("/.poster-00000000000000bb.part");
    writeBytes(abandoned, "half a picture");
    writeBytes(recent, "another program is copying this one");
    QFile old(abandoned);
    ASSERT_TRUE(old.open(QIODevice::ReadWrite));
    ASSERT_TRUE(old.setFileTime(QDateTime::currentDateTime().addDays(-2), QFileDevice::FileModificationTime));
    old.close();

    home.addDisc(QStringLiteral("12"));
    MovieForm form;
    form.discNumber = QStringLiteral("12");
    form.name = QStringLiteral("无间道");
    form.posterPath = home.path() + QStringLiteral("/cover.jpg");
    Catalogue catalogue(home.folder().catalogueFile());
    const MovieSaving::Outcome saved = MovieSaving::saveNewMovie(catalogue, home.folder(), form);
    ASSERT_TRUE(saved.saved) << saved.error.toStdString();
    EXPECT_FALSE(QFile::exists(abandoned));
    EXPECT_TRUE(QFile::exists(recent));
}

} // namespace

// A restore can bring back the movie that left the picture: it is kept, not deleted or overwritten,
// and the new movie of that number never shows it.
TEST(NewMovies, APictureADeletedMovieLeftIsKeptAsideWhetherOrNotTheNewOneHasAPoster)
{
    TestHome home;
    home.addDisc(QStringLiteral("1"));
    const QString leftover = home.folder().posterFor(QStringLiteral("1"));
    writeBytes(leftover, "the deleted movie's poster");
    home.writePicture(QStringLiteral("cover.jpg"), 20, 30);
    Catalogue catalogue(home.folder().catalogueFile());
    const QString keptIn = home.path() + QStringLiteral("/Backups");

    for (const bool withPoster : { false, true }) {
        MovieForm form;
        form.discNumber = QStringLiteral("1");
        form.name = QStringLiteral("新片");
        if (withPoster)
            form.posterPath = home.path() + QStringLiteral("/cover.jpg");
        const MovieSaving::Outcome outcome = MovieSaving::saveNewMovie(catalogue, home.folder(), form);
        ASSERT_TRUE(outcome.saved) << outcome.error.toStdString();
        EXPECT_TRUE(outcome.warning.isEmpty()) << outcome.warning.toStdString();
        EXPECT_EQ(outcome.id, 1);
        EXPECT_EQ(QFileInfo::exists(leftover), withPoster);
        if (withPoster) {
            EXPECT_EQ(readBytes(leftover), readBytes(home.path() + QStringLiteral("/cover.jpg")));
        }

        QStringList kept;
        for (QDirIterator it(keptIn, { QStringLiteral("1.jpg") }, QDir::Files, QDirIterator::Subdirectories);
             it.hasNext();)
            kept << it.next();
        ASSERT_EQ(kept.size(), 1);
        EXPECT_TRUE(kept.first().contains(QStringLiteral("/Replaced-"))) << kept.first().toStdString();
        EXPECT_EQ(readBytes(kept.first()), QByteArray("the deleted movie's poster"));

        // The movie is deleted again and its number taken once more, this time with a poster.
        ASSERT_TRUE(catalogue.deleteMovie(1));
        QFile::remove(kept.first());
        writeBytes(leftover, "the deleted movie's poster");
    }
}
