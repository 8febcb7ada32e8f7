#include "clicommand.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>
#include <gtest/gtest.h>

// The command-line tool finds the defaults beside its own folder, as an installed copy does.
TEST(CliInstalledDefaults, HomeIsCompletedFromTheShareFolderBesideTheProgram)
{
    QTemporaryDir tmp;
    const QString binDir = tmp.filePath(QStringLiteral("usr/bin"));
    const QString sharedDir = tmp.filePath(QStringLiteral("usr/share/reelshelf-index"));
    const QString home = tmp.filePath(QStringLiteral("home"));
    ASSERT_TRUE(QDir().mkpath(binDir));
    writeBytes(sharedDir + QStringLiteral("/RSISet.ini"), "[ReelShelfIndex1.02]\r\n; packaged\r\n");
    QString out;
    QString err;
    QTextStream outStream(&out);
    QTextStream errStream(&err);
    CliIo io { outStream, errStream };
    const int code = runCli({ QStringLiteral("--home"), home, QStringLiteral("discs") }, binDir, io);
    errStream.flush();
    EXPECT_EQ(code, 0) << err.toStdString();
    EXPECT_EQ(readBytes(home + QStringLiteral("/RSISet.ini")),
        QByteArray("[ReelShelfIndex1.02]\r\n; packaged\r\n"));
    // What the installation lacks still comes from the program itself.
    EXPECT_TRUE(readBytes(home + QStringLiteral("/Temp/graystar.gif")).startsWith("GIF8"));
    EXPECT_TRUE(QFileInfo(home + QStringLiteral("/ShelfIndex.db")).isFile());
}
