#include "diskconditions.h"
#include "store/datafolder.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <fcntl.h>
#include <future>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray builtIn(const QString& name)
{
    QFile f(QStringLiteral(":/defaults/") + name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// An installation under <tmp>/usr: bin/ for the programs, share/reelshelf-index/ for the defaults.
class InstalledPrefix : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QDir().mkpath(binDir()));
        ASSERT_TRUE(QDir().mkpath(sharedDir()));
    }
    QString binDir() const { return tmp_.filePath(QStringLiteral("usr/bin")); }
    QString sharedDir() const { return tmp_.filePath(QStringLiteral("usr/share/reelshelf-index")); }
    QString home() const { return tmp_.filePath(QStringLiteral("home")); }
    QTemporaryDir tmp_;
};

} // namespace

TEST_F(InstalledPrefix, FoundBesideTheExecutableOnlyWhenInstalled)
{
    EXPECT_EQ(DataFolder::installedDefaultsDir(binDir()), sharedDir());
    EXPECT_EQ(DataFolder::installedDefaultsDir(binDir() + QStringLiteral("/")), sharedDir());
    // A build tree or a copied program has no share folder beside it: the built-in copies serve.
    EXPECT_TRUE(DataFolder::installedDefaultsDir(tmp_.filePath(QStringLiteral("build/src"))).isEmpty());
    EXPECT_TRUE(DataFolder::installedDefaultsDir(QString()).isEmpty());
    // A file where the folder should be is not an installation.
    ASSERT_TRUE(QDir(sharedDir()).removeRecursively());
    writeBytes(sharedDir(), "not a folder");
    EXPECT_TRUE(DataFolder::installedDefaultsDir(binDir()).isEmpty());
}

TEST_F(InstalledPrefix, EveryResolvedFolderKeepsTheInstalledDefaults)
{
    EXPECT_EQ(DataFolder::resolve(home(), binDir()).defaultsDir(), sharedDir());
    EXPECT_EQ(
        DataFolder::resolve(home(), tmp_.filePath(QStringLiteral("elsewhere"))).defaultsDir(), QString());
    // The portable case: the executable's own folder is the data folder.
    writeBytes(binDir() + QStringLiteral("/ShelfIndex.db"), QByteArray());
    const QByteArray oldHome = qgetenv("REELSHELF_HOME");
    qunsetenv("REELSHELF_HOME");
    const DataFolder portable = DataFolder::resolve(QString(), binDir());
    if (!oldHome.isEmpty())
        qputenv("REELSHELF_HOME", oldHome);
    EXPECT_EQ(portable.path(), binDir());
    EXPECT_EQ(portable.defaultsDir(), sharedDir());
}

// Each file comes from the installed copy when that is a readable file, else from the built-in one.
TEST_F(InstalledPrefix, InstalledCopiesFirstBuiltInForWhatIsMissing)
{
    const QByteArray settings = "[ReelShelfIndex1.02]\r\nAutoOpen=1\r\n; packaged\r\n";
    const QByteArray poster = "\xff\xd8 packaged poster";
    writeBytes(sharedDir() + QStringLiteral("/RSISet.ini"), settings);
    writeBytes(sharedDir() + QStringLiteral("/Posters/00.jpg"), poster);
    ASSERT_TRUE(QDir().mkpath(sharedDir() + QStringLiteral("/Temp/goldstar.gif"))); // a folder, not a picture
    writeBytes(
        sharedDir() + QStringLiteral("/help.html"), QByteArray()); // an empty file is still the packager's

    const DataFolder f(home(), sharedDir());
    QString error;
    ASSERT_TRUE(installDefaults(f, &error)) << error.toStdString();

    struct Case
    {
        QString file;
        QByteArray expected;
    };
    const Case cases[] = {
        { f.settingsFile(), settings },
        { f.defaultPoster(), poster },
        { f.goldStar(), builtIn(QStringLiteral("Temp/goldstar.gif")) },
        { f.grayStar(), builtIn(QStringLiteral("Temp/graystar.gif")) },
        { f.helpFile(), QByteArray() },
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(QFileInfo(c.file).isFile()) << c.file.toStdString();
        EXPECT_EQ(readBytes(c.file), c.expected) << c.file.toStdString();
    }
    EXPECT_FALSE(builtIn(QStringLiteral("Temp/goldstar.gif")).isEmpty());
}

TEST_F(InstalledPrefix, MissingInstalledFolderFallsBackToBuiltIn)
{
    const DataFolder f(home(), tmp_.filePath(QStringLiteral("usr/share/gone")));
    QString error;
    ASSERT_TRUE(installDefaults(f, &error)) << error.toStdString();
    EXPECT_EQ(readBytes(f.settingsFile()), builtIn(QStringLiteral("RSISet.ini")));
    EXPECT_EQ(readBytes(f.helpFile()), builtIn(QStringLiteral("help.html")));
}

TEST_F(InstalledPrefix, InstalledCopyNeverOverwritesTheUsersFiles)
{
    writeBytes(sharedDir() + QStringLiteral("/RSISet.ini"), "packaged");
    const DataFolder f(home(), sharedDir());
    writeBytes(f.settingsFile(), "mine");
    QString error;
    ASSERT_TRUE(installDefaults(f, &error)) << error.toStdString();
    EXPECT_EQ(readBytes(f.settingsFile()), QByteArray("mine"));
}

// Each star as shipped comes with its copy for screens scaled by two; a star someone replaced keeps
// its own look, and an existing copy is never overwritten.
TEST_F(InstalledPrefix, StarsAsShippedGetTheirTwiceSizedCopies)
{
    const QString goldTwice = QStringLiteral("Temp/goldstar@2x.gif");
    const QString grayTwice = QStringLiteral("Temp/graystar@2x.gif");
    const DataFolder fresh(home(), tmp_.filePath(QStringLiteral("usr/share/gone")));
    QString error;
    ASSERT_TRUE(installDefaults(fresh, &error)) << error.toStdString();
    EXPECT_EQ(readBytes(DataFolder::twiceSizedPicture(fresh.goldStar())), builtIn(goldTwice));
    EXPECT_EQ(readBytes(DataFolder::twiceSizedPicture(fresh.grayStar())), builtIn(grayTwice));
    EXPECT_EQ(builtIn(goldTwice).left(4), QByteArray("GIF8"));

    // A folder made before the copies existed gets them on its next start; one the user drew stays.
    QFile::remove(DataFolder::twiceSizedPicture(fresh.goldStar()));
    writeBytes(DataFolder::twiceSizedPicture(fresh.grayStar()), "mine");
    ASSERT_TRUE(installDefaults(fresh, &error)) << error.toStdString();
    EXPECT_EQ(readBytes(DataFolder::twiceSizedPicture(fresh.goldStar())), builtIn(goldTwice));
    EXPECT_EQ(readBytes(DataFolder::twiceSizedPicture(fresh.grayStar())), QByteArray("mine"));

    // The user's own gold star gets no copy that would show the shipped one at scale two.
    const DataFolder mine(tmp_.filePath(QStringLiteral("mine")), QString());
    writeBytes(mine.goldStar(), builtIn(QStringLiteral("Temp/goldstar.gif")) + "changed");
    ASSERT_TRUE(installDefaults(mine, &error)) << error.toStdString();
    EXPECT_FALSE(QFileInfo::exists(DataFolder::twiceSizedPicture(mine.goldStar())));
    EXPECT_EQ(readBytes(DataFolder::twiceSizedPicture(mine.grayStar())), builtIn(grayTwice));

    // A packager's star: its own copy when it ships one, none when it does not.
    writeBytes(sharedDir() + QStringLiteral("/Temp/goldstar.gif"), "packaged gold");
    writeBytes(sharedDir() + QStringLiteral("/Temp/goldstar@2x.gif"), "packaged gold, twice");
    writeBytes(sharedDir() + QStringLiteral("/Temp/graystar.gif"), "packaged gray");
    const DataFolder packaged(tmp_.filePath(QStringLiteral("packaged")), sharedDir());
    ASSERT_TRUE(installDefaults(packaged, &error)) << error.toStdString();
    EXPECT_EQ(
        readBytes(DataFolder::twiceSizedPicture(packaged.goldStar())), QByteArray("packaged gold, twice"));
    EXPECT_FALSE(QFileInfo::exists(DataFolder::twiceSizedPicture(packaged.grayStar())));
}

// The copies are never needed: a folder that cannot take them still starts, and takes them later.
TEST_F(InstalledPrefix, AFolderThatCannotTakeTheStarCopiesStillStarts)
{
    const DataFolder f(home(), QString());
    QString error;
    ASSERT_TRUE(installDefaults(f, &error)) << error.toStdString();
    QFile::remove(DataFolder::twiceSizedPicture(f.goldStar()));
    {
        const WriteProtected protect(f.tempDir());
        if (!protect.active())
            GTEST_SKIP() << "no way to protect a folder here";
        EXPECT_TRUE(installDefaults(f, &error)) << error.toStdString();
        EXPECT_FALSE(QFileInfo::exists(DataFolder::twiceSizedPicture(f.goldStar())));
    }
    EXPECT_TRUE(installDefaults(f, &error)) << error.toStdString();
    EXPECT_TRUE(QFileInfo::exists(DataFolder::twiceSizedPicture(f.goldStar())));
}

// A pipe where the star should be is no star to compare: the start goes on instead of waiting
// for a writer that never comes.
TEST_F(InstalledPrefix, APipeForAStarDoesNotHoldTheStart)
{
    const DataFolder f(home(), QString());
    ASSERT_TRUE(QDir().mkpath(f.tempDir()));
    const QByteArray pipe = QFile::encodeName(f.goldStar());
    ASSERT_EQ(::mkfifo(pipe.constData(), 0644), 0);
    auto started = std::async(std::launch::async, [&f] {
        QString error;
        return installDefaults(f, &error);
    });
    if (started.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        // Let the waiting start go so that the test ends.
        const int writer = ::open(pipe.constData(), O_WRONLY);
        ::close(writer);
        FAIL() << "the start waited on the pipe";
    }
    EXPECT_TRUE(started.get());
    EXPECT_FALSE(QFileInfo::exists(DataFolder::twiceSizedPicture(f.goldStar())));
    EXPECT_TRUE(QFileInfo::exists(DataFolder::twiceSizedPicture(f.grayStar())));
}

TEST(TwiceSizedPicture, SitsBesideThePictureWithTheMarkBeforeTheExtension)
{
    EXPECT_EQ(DataFolder::twiceSizedPicture(QStringLiteral("/d/Temp/goldstar.gif")),
        QStringLiteral("/d/Temp/goldstar@2x.gif"));
    EXPECT_EQ(DataFolder::twiceSizedPicture(QStringLiteral(":/icons/tree/all.png")),
        QStringLiteral(":/icons/tree/all@2x.png"));
    // Only the last dot of the name counts; a dot in a folder's name is no extension.
    EXPECT_EQ(DataFolder::twiceSizedPicture(QStringLiteral("/d/a.b/star")), QStringLiteral("/d/a.b/star@2x"));
    EXPECT_EQ(
        DataFolder::twiceSizedPicture(QStringLiteral("/d/star.x.gif")), QStringLiteral("/d/star.x@2x.gif"));
}

namespace {

QStringList builtInHelpPictures()
{
    return QDir(QStringLiteral(":/defaults/Help")).entryList(QDir::Files);
}

} // namespace

// Every picture the help shows is shipped, so an installed help never shows a broken picture.
TEST(HelpPictures, EveryPictureTheHelpShowsIsShipped)
{
    const QString help = QString::fromUtf8(builtIn(QStringLiteral("help.html")));
    const QRegularExpression picture(QStringLiteral("<img[^>]*\\ssrc=\"([^\"]+)\""));
    QStringList shown;
    for (const QRegularExpressionMatch& m : picture.globalMatch(help))
        shown << m.captured(1);
    EXPECT_GE(shown.size(), 9);
    for (const QString& src : std::as_const(shown)) {
        EXPECT_TRUE(src.startsWith(QStringLiteral("Help/"))) << src.toStdString();
        EXPECT_TRUE(QFileInfo(QStringLiteral(":/defaults/") + src).isFile()) << src.toStdString();
    }
}

// A new folder gets the help's pictures beside the help; the installed copy comes first, and a
// picture already in the folder is never replaced.
TEST_F(InstalledPrefix, TheHelpGetsItsPicturesBesideIt)
{
    const QStringList names = builtInHelpPictures();
    ASSERT_FALSE(names.isEmpty());
    const QString first = names.first();
    writeBytes(sharedDir() + QStringLiteral("/Help/") + first, "packaged picture");
    writeBytes(sharedDir() + QStringLiteral("/Help/extra.png"), "the packager's own");
    const DataFolder f(home(), sharedDir());
    writeBytes(f.helpPicturesDir() + QStringLiteral("/") + names.last(), "mine");
    QString error;
    ASSERT_TRUE(installDefaults(f, &error)) << error.toStdString();

    EXPECT_EQ(readBytes(f.helpPicturesDir() + u'/' + first), QByteArray("packaged picture"));
    EXPECT_EQ(
        readBytes(f.helpPicturesDir() + QStringLiteral("/extra.png")), QByteArray("the packager's own"));
    EXPECT_EQ(readBytes(f.helpPicturesDir() + u'/' + names.last()), QByteArray("mine"));
    for (const QString& name : names.mid(1, names.size() - 2))
        EXPECT_EQ(readBytes(f.helpPicturesDir() + u'/' + name), builtIn(QStringLiteral("Help/") + name))
            << name.toStdString();
    // The help finds them where it looks: beside it.
    EXPECT_EQ(QFileInfo(f.helpPicturesDir()).absolutePath(), QFileInfo(f.helpFile()).absolutePath());
}

// The pictures are never needed: a folder that cannot take them starts with its help all the same.
TEST_F(InstalledPrefix, AFolderThatCannotTakeTheHelpPicturesStillStarts)
{
    const DataFolder f(home(), QString());
    QString error;
    ASSERT_TRUE(QDir().mkpath(f.path()));
    writeBytes(f.helpPicturesDir(), "a file where the folder goes");
    EXPECT_TRUE(installDefaults(f, &error)) << error.toStdString();
    EXPECT_TRUE(QFileInfo(f.helpFile()).isFile());
    EXPECT_EQ(readBytes(f.helpPicturesDir()), QByteArray("a file where the folder goes"));
    ASSERT_TRUE(QFile::remove(f.helpPicturesDir()));

    ASSERT_TRUE(QDir().mkpath(f.helpPicturesDir()));
    {
        const WriteProtected protect(f.helpPicturesDir());
        if (!protect.active())
            GTEST_SKIP() << "no way to protect a folder here";
        EXPECT_TRUE(installDefaults(f, &error)) << error.toStdString();
        EXPECT_TRUE(QDir(f.helpPicturesDir()).entryList(QDir::Files).isEmpty());
    }
    // The next start that can, completes them.
    EXPECT_TRUE(installDefaults(f, &error)) << error.toStdString();
    EXPECT_EQ(QDir(f.helpPicturesDir()).entryList(QDir::Files), builtInHelpPictures());
}

// On a nearly full disk the pictures leave the room to the catalogue and the user's own files.
TEST(HelpPictures, ANearlyFullDiskKeepsItsRoomForTheCatalogue)
{
    FullDisk disk(2);
    if (!disk.mounted())
        GTEST_SKIP() << "no small disk can be mounted here";
    const DataFolder f(disk.path(QStringLiteral("home")), QString());
    QString error;
    ASSERT_TRUE(installDefaults(f, &error)) << error.toStdString();
    EXPECT_TRUE(QFileInfo(f.helpFile()).isFile());
    EXPECT_TRUE(QDir(f.helpPicturesDir()).entryList(QDir::Files).isEmpty());
    EXPECT_GT(QStorageInfo(f.path()).bytesAvailable(), 1024 * 1024);
}
