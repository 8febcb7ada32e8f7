#include "media/mediafields.h"

#include <gtest/gtest.h>

namespace {

MediaFacts facts(double seconds, int width, int height, QStringList audio, QStringList subtitles)
{
    MediaFacts f;
    f.container = QStringLiteral("Matroska");
    f.durationSeconds = seconds;
    f.width = width;
    f.height = height;
    for (const QString& a : audio)
        f.audio.append({ QStringLiteral("AAC"), 2, a });
    for (const QString& s : subtitles)
        f.subtitles.append({ QStringLiteral("SubRip"), s, true, QStringLiteral("x.srt") });
    return f;
}

} // namespace

TEST(MediaFields, DefinitionByTheLargerOfTheTwoSides)
{
    EXPECT_EQ(MediaFields::definitionOf(3840, 1600), QStringLiteral("2160P"));
    EXPECT_EQ(MediaFields::definitionOf(2880, 2160), QStringLiteral("2160P"));
    EXPECT_EQ(MediaFields::definitionOf(1920, 800), QStringLiteral("1080P"));
    EXPECT_EQ(MediaFields::definitionOf(1440, 1080), QStringLiteral("1080P"));
    EXPECT_EQ(MediaFields::definitionOf(1280, 536), QStringLiteral("720P"));
    EXPECT_EQ(MediaFields::definitionOf(960, 720), QStringLiteral("720P"));
    EXPECT_EQ(MediaFields::definitionOf(720, 576), QStringLiteral("标清"));
    EXPECT_EQ(MediaFields::definitionOf(0, 0), QString());
}

TEST(MediaFields, LanguagesBecomeTheCaptionsCollectorsUse)
{
    EXPECT_EQ(MediaFields::audioCaption(QStringLiteral("chi")), QStringLiteral("国语"));
    EXPECT_EQ(MediaFields::audioCaption(QStringLiteral("zh-CN")), QStringLiteral("国语"));
    EXPECT_EQ(MediaFields::audioCaption(QStringLiteral("yue")), QStringLiteral("粤语"));
    EXPECT_EQ(MediaFields::audioCaption(QStringLiteral("ENG")), QStringLiteral("英文原声"));
    EXPECT_EQ(MediaFields::audioCaption(QStringLiteral("spa")), QStringLiteral("西班牙语"));
    EXPECT_EQ(MediaFields::audioCaption(QStringLiteral("tha")), QStringLiteral("tha"));
    EXPECT_EQ(MediaFields::audioCaption(QString()), QString());
    EXPECT_EQ(MediaFields::subtitleCaption(QStringLiteral("cht")), QStringLiteral("中文"));
    EXPECT_EQ(MediaFields::subtitleCaption(QStringLiteral("kor")), QStringLiteral("朝语"));
    EXPECT_EQ(MediaFields::subtitleCaption(QStringLiteral("ger")), QStringLiteral("德语"));
    EXPECT_EQ(MediaFields::subtitleCaption(QStringLiteral("spa")), QStringLiteral("其它"));
    EXPECT_EQ(MediaFields::subtitleCaption(QString()), QString());
}

TEST(MediaFields, PartsAreSummedAndEachLanguageNamedOnce)
{
    const auto values = MediaFields::fromFacts(
        { facts(50 * 60 + 20, 1280, 720, { QStringLiteral("chi"), QStringLiteral("eng") },
              { QStringLiteral("zh") }),
            std::nullopt,
            facts(45 * 60 + 15, 1280, 720, { QStringLiteral("zh"), QString() },
                { QStringLiteral("en"), QString() }) });
    ASSERT_EQ(values.size(), 4);
    EXPECT_EQ(values[0].first, MovieField::Lastfor);
    EXPECT_EQ(values[0].second.toDouble(), 96.0); // 95 minutes 35 seconds, rounded
    EXPECT_EQ(values[1].second.toString(), QStringLiteral("720P "));
    EXPECT_EQ(values[2].second.toString(), QStringLiteral("国语/英文原声 "));
    // As the editor writes its ticked boxes: from the last caption to the first.
    EXPECT_EQ(values[3].second.toString(), QStringLiteral("英文/中文"));
}

TEST(MediaFields, OnlyEmptyFieldsAreFilledAndNothingWhenTheFactsSayNothing)
{
    MovieRecord movie;
    movie[MovieField::Lastfor] = 88.0; // from the description text: it wins
    const auto filled = MediaFields::fillEmpty(movie, { facts(5400, 1920, 1080, {}, {}) });
    EXPECT_EQ(filled, QList<MovieField> { MovieField::Definition });
    EXPECT_EQ(movie[MovieField::Lastfor].toDouble(), 88.0);
    EXPECT_EQ(movie[MovieField::Definition].toString(), QStringLiteral("1080P "));
    EXPECT_TRUE(movie[MovieField::Audio].isNull());
    EXPECT_TRUE(movie[MovieField::SubTitile].isNull());

    MovieRecord untouched;
    EXPECT_TRUE(
        MediaFields::fillEmpty(untouched, { std::nullopt, facts(0, 0, 0, { QString() }, {}) }).isEmpty());
    for (const QVariant& v : untouched.values)
        EXPECT_TRUE(v.isNull());
}
