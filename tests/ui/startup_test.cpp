#include "app/startup.h"
#include "store/datafolder.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(Startup, CompletesANewFolderFromTheInstalledDefaults)
{
    QTemporaryDir dir;
    const DataFolder folder(dir.path() + QStringLiteral("/home"));
    QString error;
    ASSERT_TRUE(Startup::prepareDataFolder(folder, &error)) << error.toStdString();
    for (const QString& path : { folder.catalogueFile(), folder.settingsFile(), folder.defaultPoster(),
             folder.goldStar(), folder.grayStar(), folder.helpFile() })
        EXPECT_TRUE(QFile::exists(path)) << path.toStdString();
    for (const QString& path : { folder.compicsDir(), folder.outputsDir() })
        EXPECT_TRUE(QDir(path).exists()) << path.toStdString();
}

TEST(Startup, RefusesAFileThatIsNoCatalogueAndLeavesItAlone)
{
    QTemporaryDir dir;
    const DataFolder folder(dir.path());
    const QByteArray text = "这不是数据库\nnot a database at all\n";
    {
        QFile f(folder.catalogueFile());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
    QString error;
    EXPECT_FALSE(Startup::prepareDataFolder(folder, &error));
    EXPECT_TRUE(error.contains(QDir::toNativeSeparators(folder.catalogueFile()))) << error.toStdString();
    EXPECT_EQ(readBytes(folder.catalogueFile()), text);
}

TEST(Startup, KeepsTheUsersOwnSettings)
{
    QTemporaryDir dir;
    const DataFolder folder(dir.path());
    const QByteArray mine = "[ReelShelfIndex1.02]\nAutoOpen=0\n";
    {
        QFile f(folder.settingsFile());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(mine);
    }
    QString error;
    ASSERT_TRUE(Startup::prepareDataFolder(folder, &error));
    EXPECT_EQ(readBytes(folder.settingsFile()), mine);
}

} // namespace
