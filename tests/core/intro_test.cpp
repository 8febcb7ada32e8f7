#include "intro/captions.h"
#include "intro/descriptionfile.h"
#include "intro/introparser.h"
#include "store/textrules.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <tuple>

using namespace Intro;
using TextRules::TextEncoding;

namespace {

// Written as a real file and read back the way both imports read it.
QStringList linesOfFile(const QTemporaryDir& dir, const QByteArray& bytes)
{
    const QString path = dir.filePath(QStringLiteral("intro.txt"));
    writeBytes(path, bytes);
    const DescriptionFile file = readDescriptionFile(path);
    EXPECT_TRUE(file.ok()) << file.error.toStdString();
    return file.lines;
}

IntroResult parse(const QString& text, const RuleSet& rules = editorRules())
{
    return parseIntroText(splitLines(text), rules);
}

// Exactly these fields, with exactly these texts, none of them null.
void expectFields(const IntroResult& r, const QList<std::pair<MovieField, QString>>& expected)
{
    QList<MovieField> fields;
    for (const auto& [field, text] : expected) {
        fields << field;
        EXPECT_EQ(r.fields.value(field), text) << movieFieldName(field).toStdString();
        EXPECT_FALSE(r.fields.value(field).isNull()) << movieFieldName(field).toStdString();
    }
    std::sort(fields.begin(), fields.end());
    EXPECT_EQ(r.fields.keys(), fields);
}

// Values are taken as they stand: the English title keeps its trailing blank. A second genre line
// checks more boxes; the editor's box 7 is "幻想", not the pane's "魔幻".
const QString circleText = QStringLiteral("◎译　　名　无间道\n"
                                          "◎片　　名　Infernal Affairs \n"
                                          "◎年　　代　2002年\n"
                                          "◎国　　家　中国香港\n"
                                          "◎类　　别　剧情/爱情/战争\n"
                                          "◎类　　别　魔幻/幻想\n"
                                          "◎语　　言　粤语\n"
                                          "◎字　　幕　中文/英文\n"
                                          "◎IMDB评分　7.5/10 from 1,000 users\n"
                                          "◎文件格式　XviD + MP3\n"
                                          "◎文件大小　700MB\n"
                                          "◎片　　长　101 Mins\n"
                                          "◎导　　演　刘伟强 / 麦兆辉\n"
                                          "◎主　　演　刘德华\n"
                                          "　　　　　　梁朝伟\n"
                                          "◎制作公司　寰亚电影\n"
                                          "◎简　　介　\n"
                                          "　　卧底的故事。\n"
                                          "\n"
                                          "◎截　　图\n");

} // namespace

TEST(Intro, CircleFamilyInGbkFillsTheEditor)
{
    const QTemporaryDir dir;
    const IntroResult r = parseIntroText(
        linesOfFile(dir, TextRules::encodeText(circleText, TextEncoding::Gb18030)), editorRules());
    expectFields(r,
        { { MovieField::MovieName, QStringLiteral("无间道") },
            { MovieField::EngName, QStringLiteral("Infernal Affairs ") },
            { MovieField::Year, QStringLiteral("2002年") },
            { MovieField::Nation, QStringLiteral("中国香港") }, { MovieField::Audio, QStringLiteral("粤语") },
            { MovieField::Score, QStringLiteral("8") },
            { MovieField::Filetype, QStringLiteral("XviD + MP3") },
            { MovieField::FileNum, QStringLiteral("700") }, { MovieField::Lastfor, QStringLiteral("101") },
            { MovieField::Direct, QStringLiteral("刘伟强 / 麦兆辉") },
            { MovieField::Role, QStringLiteral("刘德华\r\n　　　　　　梁朝伟\r\n") },
            { MovieField::Company, QStringLiteral("寰亚电影\r\n") },
            { MovieField::PS, QStringLiteral("◎简　　介　\r\n　　卧底的故事。\r\n\r\n◎截　　图\r\n") } });
    EXPECT_EQ(checkedBoxes(r.genres), (QList<int> { 2, 7, 10, 11 }));
    EXPECT_EQ(checkedBoxes(r.subtitles), (QList<int> { 0, 1 }));
    EXPECT_EQ(r.scoreText, QStringLiteral("7.5/10 from 1,000 users"));
    EXPECT_EQ(r.score, 8);
    EXPECT_TRUE(r.recognised);
    EXPECT_TRUE(r.introFound);
}

TEST(Intro, DiamondFamilyInUtf8FillsTheEditor)
{
    const QString text = QStringLiteral("◎简　　介　最旧的简介\r\n"
                                        "◆译　　名　无间道\r\n"
                                        "◆原　　名　Infernal Affairs\r\n"
                                        "◆上　　映　2002\r\n"
                                        "◆类　　型　科幻 / 动作\r\n"
                                        "◆评　　分　7.4/10\r\n"
                                        "◆文　　件　2CD\r\n"
                                        "◆片　　长　120分钟\r\n"
                                        "◆压缩格式　RMVB\r\n"
                                        "◆演　　员　刘德华 ◎特邀\r\n"
                                        "　　　　　　梁朝伟\r\n"
                                        "◆内容简介　旧的简介\r\n"
                                        "◆简　　介　新的简介\r\n");
    const QTemporaryDir dir;
    const IntroResult r = parseIntroText(linesOfFile(dir, text.toUtf8()), editorRules());
    // The cast block of this family ends at the next "◆" only; "◆简　　介" wins over the other intros.
    expectFields(r,
        { { MovieField::MovieName, QStringLiteral("无间道") },
            { MovieField::EngName, QStringLiteral("Infernal Affairs") },
            { MovieField::Year, QStringLiteral("2002") }, { MovieField::Score, QStringLiteral("7") },
            { MovieField::FileNum, QStringLiteral("2") }, { MovieField::Lastfor, QStringLiteral("120") },
            { MovieField::Filetype, QStringLiteral("RMVB") },
            { MovieField::Role, QStringLiteral("刘德华 ◎特邀\r\n　　　　　　梁朝伟\r\n") },
            { MovieField::PS, QStringLiteral("◆简　　介　新的简介\r\n") } });
    EXPECT_EQ(checkedBoxes(r.genres), (QList<int> { 1, 6 }));
}

TEST(Intro, ScoreIsRoundedHalfUpForTheEditorAndReadAsItIsForTheWizard)
{
    const std::tuple<QString, QString, QString> cases[]
        = { { "7.5/10", "8", "7.5" }, { "7.4/10", "7", "7.4" }, { " 8.5", "9", "8.5" },
              { "-0.5", "0", "-0.5" }, { "-7.6", "-8", "-7.6" }, { "很好", "0", "0" }, { "", "0", "0" } };
    for (const auto& [value, editorScore, wizardScore] : cases) {
        const IntroResult editor = parse(QStringLiteral("◎IMDB评分　") + value);
        EXPECT_EQ(editor.fields.value(MovieField::Score), editorScore) << value.toStdString();
        EXPECT_EQ(editor.scoreText, value);
        EXPECT_EQ(editor.score, TextRules::numericValue(editorScore));
        const IntroResult wizard = parse(QStringLiteral("◆评　　分　") + value, wizardRules());
        EXPECT_EQ(wizard.fields.value(MovieField::Score), wizardScore) << value.toStdString();
        EXPECT_EQ(wizard.score, TextRules::numericValue(value));
    }
}

TEST(Intro, WizardTakesItsOwnSubsetWithRawGenresAndTheSameBlocks)
{
    QMap<MovieField, QString> expected = parse(circleText).fields;
    for (const MovieField f : { MovieField::MovieName, MovieField::FileNum, MovieField::Filetype })
        expected.remove(f);
    expected[MovieField::Type] = QStringLiteral("魔幻/幻想"); // the later line wins
    expected[MovieField::SubTitile] = QStringLiteral("中文/英文");
    expected[MovieField::Score] = QStringLiteral("7.5");
    const IntroResult r = parse(circleText, wizardRules());
    EXPECT_EQ(r.fields, expected);
    EXPECT_EQ(checkedBoxes(r.genres), QList<int> {});

    // A translated title is no marker for the wizard: such a text is stored whole.
    const IntroResult only = parse(QStringLiteral("◎译　　名　无间道"), wizardRules());
    EXPECT_FALSE(only.recognised);
    expectFields(only, { { MovieField::PS, QStringLiteral("◎译　　名　无间道\r\n") } });
}

TEST(Intro, BlockAtTheEndRunsToTheEndOfTheText)
{
    for (const RuleSet* rules : { &editorRules(), &wizardRules() }) {
        const IntroResult cast
            = parse(QStringLiteral("◎片　　名　Film\n◎主　　演　甲\n　　　　　　乙\n"), *rules);
        EXPECT_EQ(cast.fields.value(MovieField::Role), QStringLiteral("甲\r\n　　　　　　乙\r\n"));
        const IntroResult company = parse(QStringLiteral("◎制作公司　寰亚"), *rules);
        EXPECT_EQ(company.fields.value(MovieField::Company), QStringLiteral("寰亚\r\n"));
        EXPECT_TRUE(company.recognised);
        EXPECT_FALSE(company.fields.contains(MovieField::PS));
    }
    // A marker that ends the text, or a line too short for its value, gives an empty value.
    const std::optional<QString> block = extractBlock(QStringLiteral("甲◎主　　演"), blockMarkers()[0]);
    ASSERT_TRUE(block.has_value());
    EXPECT_TRUE(block->isEmpty());
    EXPECT_FALSE(block->isNull());
    expectFields(parse(QStringLiteral("◎片　　名\n◎IMDB评分")),
        { { MovieField::EngName, QStringLiteral("") }, { MovieField::Score, QStringLiteral("0") } });
}

TEST(Intro, ASeparatorBeyondTheBmpIsPassedOverWhole)
{
    // Half of a surrogate pair left at the front of a value would be stored as a broken character.
    for (const RuleSet* rules : { &editorRules(), &wizardRules() }) {
        const IntroResult r
            = parse(QStringLiteral("◎片　　名\U0001D11EFilm\n◆演　　员\U0001F600甲\n"), *rules);
        EXPECT_EQ(r.fields.value(MovieField::EngName), QStringLiteral("Film"));
        EXPECT_EQ(r.fields.value(MovieField::Role), QStringLiteral("甲\r\n"));
    }
    // A marker at the very end with half a pair after it still gives an empty value.
    EXPECT_EQ(parse(QStringLiteral("◎片　　名") + QChar(0xD834)).fields.value(MovieField::EngName),
        QStringLiteral(""));
}

TEST(Intro, TextWithoutMarkersGoesWholeToTheIntro)
{
    // A marker must begin the line; LF, CR LF and a lone CR all become CR LF, and the file's final
    // break starts no further line.
    const QTemporaryDir dir;
    const IntroResult r = parseIntroText(
        linesOfFile(dir, QByteArray(" ◎片　　名　Film\r\n◎片名　Film\rplain\n\nlast\r\r\n")), editorRules());
    EXPECT_FALSE(r.recognised);
    EXPECT_FALSE(r.introFound);
    expectFields(r,
        { { MovieField::PS,
            QStringLiteral(" ◎片　　名　Film\r\n◎片名　Film\r\nplain\r\n\r\nlast\r\n\r\n") } });
    // Recognised fields without an intro leave the intro alone.
    EXPECT_FALSE(parse(QStringLiteral("◎导　　演　某人\nplain")).fields.contains(MovieField::PS));
}

TEST(Intro, SettingChoosesWhatEachCallerDoes)
{
    const std::tuple<QString, Mode, Mode> cases[]
        = { { "1", Mode::Parse, Mode::Parse }, { "0", Mode::WholeText, Mode::WholeText },
              { "", Mode::WholeText, Mode::WholeText }, { "2", Mode::WholeText, Mode::Nothing } };
    for (const auto& [setting, editor, wizard] : cases) {
        EXPECT_EQ(editorRules().modeFor(setting), editor) << setting.toStdString();
        EXPECT_EQ(wizardRules().modeFor(setting), wizard) << setting.toStdString();
    }
}

TEST(Intro, EmptyBinaryAndOversizedFiles)
{
    const QTemporaryDir dir;
    EXPECT_TRUE(linesOfFile(dir, QByteArray()).isEmpty());

    // Bytes of every value, all NULs, or mostly controls: no text, refused with the file's name.
    QByteArray everyByte;
    for (quint32 i = 0; i < 300000; ++i)
        everyByte.append(char((i * 7919 + i / 256) & 0xFF));
    QByteArray random;
    quint32 seed = 14;
    for (int i = 0; i < 65536; ++i) {
        seed = seed * 1664525u + 1013904223u;
        random.append(char(seed >> 24));
    }
    const QString binary = dir.filePath(QStringLiteral("binary.txt"));
    for (const QByteArray& bytes :
        { everyByte, random, QByteArray(12659, '\0'), QByteArray("\x01\x02\x03\x04\x05 ok \x06\x07\x08") }) {
        writeBytes(binary, bytes);
        const DescriptionFile file = readDescriptionFile(binary);
        EXPECT_EQ(file.error,
            QStringLiteral("简介文件 %1 不是文本文件（大多是空字节、控制字符或无法识别的字节），没有导入。"
                           "请选择下载附带的 .txt 简介文件。")
                .arg(binary));
        EXPECT_TRUE(file.lines.isEmpty());
    }

    const QString big = dir.filePath(QStringLiteral("big.txt"));
    writeBytes(big, QByteArray(MaxDescriptionBytes + 1, 'a'));
    EXPECT_EQ(
        readDescriptionFile(big).error, QStringLiteral("简介文件 %1 太大（超过 4 MB），没有导入。").arg(big));
    writeBytes(big, QByteArray(MaxDescriptionBytes, 'a'));
    EXPECT_TRUE(readDescriptionFile(big).ok());

    const QString missing = dir.filePath(QStringLiteral("none.txt"));
    EXPECT_EQ(
        readDescriptionFile(missing).error, QStringLiteral("找不到简介文件 %1，没有导入。").arg(missing));
}

TEST(Intro, PipesDevicesAndFoldersBehindATextsNameAreRefusedAtOnce)
{
    const QTemporaryDir dir;
    const QString pipe = dir.filePath(QStringLiteral("pipe.txt"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    const QString device = dir.filePath(QStringLiteral("zero.txt"));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), device));
    const QString folder = dir.filePath(QStringLiteral("folder.txt"));
    ASSERT_TRUE(QDir().mkdir(folder));
    for (const QString& path : { pipe, device, folder, dir.path() })
        EXPECT_EQ(readDescriptionFile(path).error,
            QStringLiteral("简介文件 %1 不是普通文件（可能是文件夹、管道或设备），没有导入。").arg(path));
}

TEST(Intro, UnmarkedUtf16AndMixedEncodingsFillTheEditorAndNothingStoredHoldsNuls)
{
    const QTemporaryDir dir;
    const IntroResult utf8 = parseIntroText(splitLines(circleText), editorRules());
    for (const TextEncoding encoding : { TextEncoding::Utf16Le, TextEncoding::Utf16Be }) {
        const IntroResult r
            = parseIntroText(linesOfFile(dir, TextRules::encodeText(circleText, encoding)), editorRules());
        EXPECT_EQ(r.fields, utf8.fields) << int(encoding);
        EXPECT_EQ(r.genres, utf8.genres) << int(encoding);
    }

    // The fields in GBK, the intro added later in UTF-8: nothing is lost from either part.
    const qsizetype split = circleText.indexOf(QStringLiteral("◎简　　介"));
    const QByteArray mixed = TextRules::encodeText(circleText.left(split), TextEncoding::Gb18030)
        + circleText.mid(split).toUtf8();
    const IntroResult r = parseIntroText(linesOfFile(dir, mixed), editorRules());
    EXPECT_EQ(r.fields, utf8.fields);

    // A text with a few NULs and a run of damaged bytes keeps its words, without the NULs and
    // with one replacement character for the run.
    QByteArray damaged = circleText.toUtf8();
    damaged.insert(
        damaged.indexOf(QStringLiteral("的故事").toUtf8()), QByteArray(3, '\0') + "\xFF\xFF\xFF\xFF");
    const QStringList lines = linesOfFile(dir, damaged);
    QStringList expected = splitLines(circleText);
    expected.replace(
        expected.indexOf(QStringLiteral("　　卧底的故事。")), QStringLiteral("　　卧底\uFFFD的故事。"));
    EXPECT_EQ(lines, expected);
}
