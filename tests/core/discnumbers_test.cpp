#include "store/discnumbers.h"
#include "testsupport.h"

#include <gtest/gtest.h>

namespace {

struct NumberCase
{
    const char16_t* typed;
    const char16_t* number; // as it would be stored
    bool usable;
    const char16_t* suggestion;
};

TEST(DiscNumbers, NewNumbersMustBeWrittenAsTheirValue)
{
    const NumberCase cases[] = {
        { u"12", u"12", true, u"" },
        { u"  12 ", u"12", true, u"" },
        { u"7.5", u"7.5", true, u"" },
        { u"0", u"0", true, u"" },
        { u"012", u"012", false, u"12" },
        { u"12.0", u"12.0", false, u"12" },
        { u"+12", u"+12", false, u"12" },
        { u"1e3", u"1e3", false, u"1000" },
        { u"1 2", u"1 2", false, u"12" },
        { u"\t12", u"\t12", false, u"12" }, // only blanks are trimmed
        { u"A1", u"A1", false, u"" },
        { u"12abc", u"12abc", false, u"" },
        { u"1e999", u"1e999", false, u"" }, // overflows: no plain form to offer
        { u"12345678901234567890", u"12345678901234567890", false, u"" },
    };
    for (const NumberCase& c : cases) {
        const QString typed = QString::fromUtf16(c.typed);
        const DiscNumbers::Check check = DiscNumbers::check(typed);
        EXPECT_EQ(check.number, QString::fromUtf16(c.number)) << typed.toStdString();
        EXPECT_EQ(check.ok(), c.usable) << typed.toStdString();
        EXPECT_EQ(check.suggestion, QString::fromUtf16(c.suggestion)) << typed.toStdString();
        EXPECT_EQ(check.error.isEmpty(), c.usable) << typed.toStdString();
    }
}

TEST(DiscNumbers, BlanksOnlyAreNoNumber)
{
    for (const QString& typed : { QString(), QStringLiteral("   ") }) {
        const DiscNumbers::Check check = DiscNumbers::check(typed);
        EXPECT_TRUE(check.isEmpty());
        EXPECT_FALSE(check.ok());
        EXPECT_TRUE(check.error.isEmpty()) << "the caller has its own message for this";
    }
}

TEST(DiscNumbers, AMovieIsOnTheDiscItsNumberShowsAs)
{
    QByteArray buffer;
    const auto number = [](double n) { return StoredValue { StoredValue::Number, n, {} }; };
    const auto text = [&](const char* t) {
        buffer = t;
        return StoredValue { StoredValue::Text, 0, QByteArrayView(buffer) };
    };
    const QString twelve = QStringLiteral("12");
    EXPECT_TRUE(DiscNumbers::holdsMovie(twelve, number(12)));
    EXPECT_TRUE(DiscNumbers::holdsMovie(twelve, number(12.000000000000002)));
    EXPECT_FALSE(DiscNumbers::holdsMovie(twelve, number(120)));
    EXPECT_FALSE(DiscNumbers::holdsMovie(twelve, number(12.5)));
    EXPECT_FALSE(DiscNumbers::holdsMovie(twelve, StoredValue {}));
    EXPECT_TRUE(DiscNumbers::holdsMovie(twelve, text(" 12 ")));
    EXPECT_FALSE(DiscNumbers::holdsMovie(twelve, text("012")));
    EXPECT_FALSE(DiscNumbers::holdsMovie(QStringLiteral("012"), number(12)));
    EXPECT_TRUE(DiscNumbers::holdsMovie(QStringLiteral("A1"), text("A1 ")));
    EXPECT_FALSE(DiscNumbers::holdsMovie(QStringLiteral("0"), text("A1")));
}

} // namespace
