#include "store/datafolder.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <optional>

namespace {

// Sets or clears one environment variable for the length of a test and restores it after.
class ScopedEnv
{
public:
    ScopedEnv(const char* name, const std::optional<QString>& value)
        : name_(name)
        , old_(qEnvironmentVariableIsSet(name) ? std::optional<QByteArray>(qgetenv(name)) : std::nullopt)
    {
        if (value)
            qputenv(name_, value->toUtf8());
        else
            qunsetenv(name_);
    }
    ~ScopedEnv()
    {
        if (old_)
            qputenv(name_, *old_);
        else
            qunsetenv(name_);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    std::optional<QByteArray> old_;
};

class DataFolderResolve : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QDir().mkpath(portable()));
        writeBytes(portable() + QStringLiteral("/ShelfIndex.db"), QByteArray());
        ASSERT_TRUE(QDir().mkpath(plainExe()));
    }
    QString portable() const { return tmp_.filePath(QStringLiteral("portable")); }
    QString plainExe() const { return tmp_.filePath(QStringLiteral("bin")); }
    QString xdg() const { return tmp_.filePath(QStringLiteral("xdg")); }
    QTemporaryDir tmp_;
};

} // namespace

TEST_F(DataFolderResolve, ExplicitFolderComesFirst)
{
    const ScopedEnv env("REELSHELF_HOME", tmp_.filePath(QStringLiteral("fromenv")));
    const QString chosen = tmp_.filePath(QStringLiteral("chosen"));
    EXPECT_EQ(DataFolder::resolve(chosen, portable()).path(), chosen);
}

TEST_F(DataFolderResolve, EnvironmentComesBeforeThePortableFolder)
{
    const ScopedEnv env("REELSHELF_HOME", tmp_.filePath(QStringLiteral("fromenv")));
    EXPECT_EQ(DataFolder::resolve(QString(), portable()).path(), tmp_.filePath(QStringLiteral("fromenv")));
}

TEST_F(DataFolderResolve, ExecutableFolderHoldingACatalogueIsPortable)
{
    const ScopedEnv env("REELSHELF_HOME", std::nullopt);
    const ScopedEnv data("XDG_DATA_HOME", xdg());
    EXPECT_EQ(DataFolder::resolve(QString(), portable()).path(), portable());
    EXPECT_EQ(DataFolder::resolve(QString(), plainExe()).path(), xdg() + QStringLiteral("/ReelShelfIndex"));
}

TEST_F(DataFolderResolve, WithoutDataHomeTheUsersShareFolder)
{
    const ScopedEnv env("REELSHELF_HOME", std::nullopt);
    const ScopedEnv data("XDG_DATA_HOME", std::nullopt);
    const ScopedEnv home("HOME", tmp_.filePath(QStringLiteral("user")));
    EXPECT_EQ(DataFolder::resolve(QString(), plainExe()).path(),
        tmp_.filePath(QStringLiteral("user/.local/share/ReelShelfIndex")));
}

TEST(InstallDefaults, CompletesAnEmptyFolder)
{
    QTemporaryDir tmp;
    const DataFolder f(tmp.filePath(QStringLiteral("new/home")));
    QString error;
    ASSERT_TRUE(installDefaults(f, &error)) << error.toStdString();
    for (const QString& dir : { f.postersDir(), f.compicsDir(), f.tempDir(), f.outputsDir() })
        EXPECT_TRUE(QFileInfo(dir).isDir()) << dir.toStdString();
    for (const QString& file :
        { f.settingsFile(), f.defaultPoster(), f.goldStar(), f.grayStar(), f.helpFile() })
        EXPECT_GT(QFileInfo(file).size(), 0) << file.toStdString();
    EXPECT_TRUE(readBytes(f.defaultPoster()).startsWith("\xff\xd8")); // a JPEG
    EXPECT_TRUE(readBytes(f.goldStar()).startsWith("GIF8"));
    // The catalogue is made elsewhere, not copied.
    EXPECT_FALSE(QFileInfo::exists(f.catalogueFile()));
}

TEST(InstallDefaults, NeverOverwritesWhatExists)
{
    QTemporaryDir tmp;
    const DataFolder f(tmp.path());
    const QByteArray custom = "[ReelShelfIndex1.02]\r\nAutoOpen=0\r\n; mine\r\n";
    const QByteArray poster = "my own default poster";
    writeBytes(f.settingsFile(), custom);
    writeBytes(f.defaultPoster(), poster);
    writeBytes(f.compicsDir() + QStringLiteral("/华纳.jpg"), "logo");

    QString error;
    ASSERT_TRUE(installDefaults(f, &error)) << error.toStdString();
    ASSERT_TRUE(installDefaults(f, &error)) << error.toStdString();
    EXPECT_EQ(readBytes(f.settingsFile()), custom);
    EXPECT_EQ(readBytes(f.defaultPoster()), poster);
    EXPECT_EQ(readBytes(f.compicsDir() + QStringLiteral("/华纳.jpg")), QByteArray("logo"));
    EXPECT_TRUE(QFileInfo(f.goldStar()).isFile());
}

TEST(InstallDefaults, AHelpPageAnEarlierVersionInstalledGivesWayToTodaysAndAnEditedOneStays)
{
    QTemporaryDir tmp;
    const DataFolder f(tmp.path());
    const QByteArray earlier = readBytes(QStringLiteral(REELSHELF_TEST_DATA "/help/earlier-help.html"));
    ASSERT_FALSE(earlier.isEmpty());
    QString error;
    writeBytes(f.helpFile(), earlier);
    ASSERT_TRUE(installDefaults(f, &error)) << error.toStdString();
    const QByteArray today = readBytes(f.helpFile());
    EXPECT_NE(today, earlier);
    EXPECT_TRUE(today.contains("收藏统计"));

    // One byte changed by the user is enough to keep the page as it is.
    QByteArray edited = earlier;
    edited[edited.size() - 2] = '!';
    writeBytes(f.helpFile(), edited);
    ASSERT_TRUE(installDefaults(f, &error)) << error.toStdString();
    EXPECT_EQ(readBytes(f.helpFile()), edited);
}

TEST(InstallDefaults, ImpossibleFolderIsReported)
{
    QTemporaryDir tmp;
    writeBytes(tmp.filePath(QStringLiteral("file")), "x");
    QString error;
    EXPECT_FALSE(installDefaults(DataFolder(tmp.filePath(QStringLiteral("file/home"))), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("file/home"))) << error.toStdString();
}

// Started from a launcher or from a terminal in another folder, the program finds the same catalogue.
TEST_F(DataFolderResolve, RelativeDataHomeIsIgnored)
{
    const ScopedEnv env("REELSHELF_HOME", std::nullopt);
    const ScopedEnv data("XDG_DATA_HOME", QStringLiteral("relative/share"));
    const ScopedEnv home("HOME", tmp_.filePath(QStringLiteral("user")));
    EXPECT_EQ(DataFolder::resolve(QString(), plainExe()).path(),
        tmp_.filePath(QStringLiteral("user/.local/share/ReelShelfIndex")));
}
