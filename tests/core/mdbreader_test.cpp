#include "legacy/mdbreader.h"
#include "testsupport.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString dataDir = QStringLiteral(REELSHELF_TEST_DATA "/mdb");
const QString dateFormat = QStringLiteral("%Y-%m-%d %H:%M:%S");

struct CsvField
{
    QString text;
    bool quoted = false;
};
using CsvRow = QList<CsvField>;

QByteArray runTool(const QString& tool, const QStringList& args)
{
    QProcess p;
    p.start(tool, args);
    EXPECT_TRUE(p.waitForFinished(60000)) << tool.toStdString();
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    return p.readAllStandardOutput();
}

// mdb-export's CSV with -e: one row per line, quotes doubled inside quoted fields, and \n, \r,
// \t and \\ escaped; a null field is the bare word NULL (-0), a quoted "NULL" is text.
QList<CsvRow> parseExport(const QByteArray& bytes)
{
    const QString text = QString::fromUtf8(bytes);
    QList<CsvRow> rows;
    CsvRow row;
    CsvField field;
    bool inQuotes = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (inQuotes) {
            if (c == u'"' && i + 1 < text.size() && text.at(i + 1) == u'"') {
                field.text += u'"';
                ++i;
            } else if (c == u'"') {
                inQuotes = false;
            } else if (c == u'\\' && i + 1 < text.size()) {
                const QChar e = text.at(++i);
                field.text += e == u'n' ? QChar(u'\n')
                    : e == u'r'         ? QChar(u'\r')
                    : e == u't'         ? QChar(u'\t')
                                        : e;
            } else {
                field.text += c;
            }
        } else if (c == u'"') {
            inQuotes = true;
            field.quoted = true;
        } else if (c == u',') {
            row.append(field);
            field = {};
        } else if (c == u'\n') {
            row.append(field);
            rows.append(row);
            row = {};
            field = {};
        } else {
            field.text += c;
        }
    }
    return rows;
}

void expectSame(const QVariant& value, const CsvField& field, const std::string& where)
{
    SCOPED_TRACE(where);
    if (!field.quoted && field.text == QStringLiteral("NULL")) {
        EXPECT_FALSE(value.isValid()) << value.toString().toStdString();
        return;
    }
    ASSERT_TRUE(value.isValid()) << field.text.toStdString();
    switch (value.typeId()) {
    case QMetaType::QString:
        EXPECT_TRUE(field.quoted);
        EXPECT_EQ(value.toString(), field.text);
        break;
    case QMetaType::LongLong:
        EXPECT_FALSE(field.quoted);
        EXPECT_EQ(value.toLongLong(), field.text.toLongLong());
        break;
    case QMetaType::Double:
        EXPECT_FALSE(field.quoted);
        EXPECT_DOUBLE_EQ(value.toDouble(), field.text.toDouble());
        break;
    case QMetaType::Bool:
        EXPECT_EQ(value.toBool() ? QStringLiteral("1") : QStringLiteral("0"), field.text);
        break;
    case QMetaType::QDateTime:
        EXPECT_EQ(value.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), field.text);
        break;
    case QMetaType::QByteArray:
        EXPECT_EQ(QString::fromLatin1(value.toByteArray().toHex().toUpper()), field.text);
        break;
    default:
        ADD_FAILURE() << "unexpected kind " << value.typeName();
    }
}

class MdbFiles : public ::testing::TestWithParam<const char*>
{
};

TEST_P(MdbFiles, EveryFieldOfEveryTableIsWhatMdbExportPrints)
{
    const QString path = dataDir + u'/' + QString::fromLatin1(GetParam());
    QString error;
    const auto reader = MdbReader::open(path, &error);
    ASSERT_TRUE(reader) << error.toStdString();

    const QStringList listed
        = QString::fromUtf8(runTool(QStringLiteral("mdb-tables"), { QStringLiteral("-1"), path }))
              .split(u'\n', Qt::SkipEmptyParts);
    ASSERT_FALSE(listed.isEmpty());
    EXPECT_EQ(reader->tableNames(), listed);

    for (const QString& table : listed) {
        const auto read = reader->readTable(table, &error);
        ASSERT_TRUE(read) << error.toStdString();
        const QList<CsvRow> exported = parseExport(runTool(QStringLiteral("mdb-export"),
            { QStringLiteral("-D"), dateFormat, QStringLiteral("-T"), dateFormat, QStringLiteral("-0"),
                QStringLiteral("NULL"), QStringLiteral("-b"), QStringLiteral("hex"), QStringLiteral("-e"),
                path, table }));
        ASSERT_FALSE(exported.isEmpty());
        QStringList header;
        for (const CsvField& f : exported.first())
            header.append(f.text);
        EXPECT_EQ(read->columns, header);
        ASSERT_EQ(read->rows.size(), exported.size() - 1);
        for (qsizetype r = 0; r < read->rows.size(); ++r) {
            const CsvRow& line = exported.at(r + 1);
            ASSERT_EQ(read->rows.at(r).size(), line.size()) << "row " << r;
            for (qsizetype c = 0; c < line.size(); ++c)
                expectSame(read->rows.at(r).at(c), line.at(c),
                    QStringLiteral("%1 row %2 %3").arg(table).arg(r).arg(read->columns.at(c)).toStdString());
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, MdbFiles, ::testing::Values("test2V1997.mdb", "testUnicodeCompV2003.mdb"));

TEST(MdbReader, TellsTheJetVersionAndTheHeaderCodePage)
{
    QString error;
    const auto jet3 = MdbReader::open(dataDir + QStringLiteral("/test2V1997.mdb"), &error);
    const auto jet4 = MdbReader::open(dataDir + QStringLiteral("/testUnicodeCompV2003.mdb"), &error);
    ASSERT_TRUE(jet3 && jet4);
    EXPECT_TRUE(jet3->isJet3());
    EXPECT_FALSE(jet4->isJet3());
    EXPECT_EQ(jet3->codePage(), 1252);
}

// Jet 3 keeps its header behind RC4 with a fixed key; a test changes it as Access would write it.
QByteArray rc4(const QByteArray& data)
{
    const quint8 key[] = { 0xc7, 0xda, 0x39, 0x6b };
    quint8 s[256];
    for (int i = 0; i < 256; ++i)
        s[i] = quint8(i);
    for (int i = 0, j = 0; i < 256; ++i) {
        j = (j + s[i] + key[i % 4]) & 0xff;
        std::swap(s[i], s[j]);
    }
    QByteArray out = data;
    for (qsizetype n = 0, i = 0, j = 0; n < out.size(); ++n) {
        i = (i + 1) & 0xff;
        j = (j + s[i]) & 0xff;
        std::swap(s[i], s[j]);
        out[n] = char(quint8(out[n]) ^ s[(s[i] + s[j]) & 0xff]);
    }
    return out;
}

TEST(MdbReader, AJet3FileIsReadInTheCodePageItsHeaderNames)
{
    QByteArray bytes = readBytes(dataDir + QStringLiteral("/test2V1997.mdb"));
    QByteArray header = rc4(bytes.mid(0x18, 126));
    header[0x3c - 0x18] = char(936 & 0xff);
    header[0x3d - 0x18] = char(936 >> 8);
    bytes.replace(0x18, 126, rc4(header));
    const qsizetype author = bytes.indexOf("Jon Iles");
    ASSERT_GT(author, 0);
    bytes.replace(author, 8, QByteArray("\xd6\xd0\xce\xc4\xc3\xfb\xd7\xd6")); // 中文名字 in GBK
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("chinese.mdb"));
    writeBytes(path, bytes);

    QString error;
    const auto reader = MdbReader::open(path, &error);
    ASSERT_TRUE(reader) << error.toStdString();
    EXPECT_EQ(reader->codePage(), 936);
    const auto table = reader->readTable(QStringLiteral("MSP_PROJECTS"), &error);
    ASSERT_TRUE(table) << error.toStdString();
    const QString text
        = table->rows.at(0).at(table->columns.indexOf(QStringLiteral("PROJ_PROP_AUTHOR"))).toString();
    EXPECT_TRUE(text.startsWith(QStringLiteral("中文名字 this is"))) << text.left(20).toStdString();
    EXPECT_EQ(table->rows.at(0).at(1).toString(), QStringLiteral("Project1"));
}

TEST(MdbReader, ReadsNonLatinTextsAndTableNamesInAnyCase)
{
    QString error;
    const auto reader = MdbReader::open(dataDir + QStringLiteral("/testUnicodeCompV2003.mdb"), &error);
    ASSERT_TRUE(reader);
    const auto table = reader->readTable(QStringLiteral("TABLE"), &error);
    ASSERT_TRUE(table) << error.toStdString();
    ASSERT_GE(table->rows.size(), 5);
    EXPECT_EQ(table->rows.at(4).at(1).toString(), QStringLiteral("漢字仮名交じり文"));
    EXPECT_EQ(table->rows.at(2).at(1).toString(), QStringLiteral("Мир"));
    EXPECT_EQ(table->rows.at(4).at(0).typeId(), QMetaType::LongLong);
}

TEST(MdbReader, AMissingTableIsNamed)
{
    QString error;
    const auto reader = MdbReader::open(dataDir + QStringLiteral("/test2V1997.mdb"), &error);
    ASSERT_TRUE(reader);
    EXPECT_FALSE(reader->readTable(QStringLiteral("DiskState"), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("没有表 DiskState"))) << error.toStdString();
}

// Whatever the file is, the reader says so and never crashes.
TEST(MdbReader, RefusesWhatIsNotAWholeMdbFile)
{
    QTemporaryDir dir;
    const QByteArray jet3 = [] {
        QFile f(dataDir + QStringLiteral("/test2V1997.mdb"));
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    const QByteArray jet4 = [] {
        QFile f(dataDir + QStringLiteral("/testUnicodeCompV2003.mdb"));
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    const struct
    {
        const char* name;
        QByteArray bytes;
        const char16_t* expected;
    } cases[] = {
        { "empty.mdb", QByteArray(), u"是空文件" },
        { "text.mdb", QByteArray("hello, this is no database\n"), u"不是 Access 数据库文件" },
        { "zeros.mdb", QByteArray(8192, '\0'), u"不是 Access 数据库文件" },
        { "cut.mdb", jet3.left(50000), u"不完整或已损坏" },
        { "header-only.mdb", jet4.left(4096), u"不完整或已损坏" },
        { "two-pages.mdb", jet4.left(8192), u"不完整或已损坏" },
    };
    for (const auto& c : cases) {
        const QString path = dir.filePath(QString::fromLatin1(c.name));
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(c.bytes);
        f.close();
        QString error;
        EXPECT_FALSE(MdbReader::open(path, &error)) << c.name;
        EXPECT_TRUE(error.contains(QString::fromUtf16(c.expected))) << c.name << ": " << error.toStdString();
        EXPECT_TRUE(error.contains(QDir::toNativeSeparators(path))) << c.name;
    }
    QString error;
    EXPECT_FALSE(MdbReader::open(dir.path(), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("是文件夹"))) << error.toStdString();
    EXPECT_FALSE(MdbReader::open(dir.filePath(QStringLiteral("missing.mdb")), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("找不到"))) << error.toStdString();
}

} // namespace
