#include "store/datafolder.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

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
