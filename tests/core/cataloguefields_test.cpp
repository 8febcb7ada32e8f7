#include "store/catalogue.h"
#include "testsupport.h"

#include <gtest/gtest.h>

namespace {

QString describe(const StoredValue& v)
{
    switch (v.kind) {
    case StoredValue::Number:
        return QString::number(v.number);
    case StoredValue::Text:
        return QString::fromUtf8(v.utf8);
    case StoredValue::Null:
        break;
    }
    return QStringLiteral("<null>");
}

} // namespace

TEST(CatalogueFieldWalk, ReadsOnlyTheGivenFieldsInStoredOrder)
{
    TestHome home;
    MovieRecord extra;
    extra[MovieField::EngName] = QStringLiteral("Hero ");
    extra[MovieField::PS] = QStringLiteral("a long summary ");
    home.addMovie(7, QStringLiteral("英雄 "), 3, extra);
    home.addMovie(2, QStringLiteral("B"), 1);
    home.exec(
        QStringLiteral("UPDATE ReelShelfIndex SET DiskNum = X'3420' WHERE ID = 2")); // bytes, read as text
    QStringList seen;
    QString error;
    const Catalogue catalogue(home.folder().catalogueFile());
    ASSERT_TRUE(catalogue.forEachStoredMovieFields(
        { MovieField::DiskNum, MovieField::ID, MovieField::EngName },
        [&](const StoredMovie& m) {
            QStringList values;
            for (const StoredValue& v : m)
                values << describe(v);
            seen << values.join(u'|');
            return true;
        },
        &error))
        << error.toStdString();
    const QString nulls = QStringLiteral("<null>|");
    EXPECT_EQ(seen,
        (QStringList { QStringLiteral("7|") + nulls.repeated(9) + QStringLiteral("Hero |") + nulls.repeated(6)
                + QStringLiteral("3|<null>|<null>"),
            QStringLiteral("2|") + nulls.repeated(9) + QStringLiteral("<null>|") + nulls.repeated(6)
                + QStringLiteral("4 |<null>|<null>") }));

    // A visitor that says stop ends the walk; an unreadable file fails with a message.
    int visits = 0;
    EXPECT_TRUE(catalogue.forEachStoredMovieFields({ MovieField::ID }, [&](const StoredMovie&) {
        ++visits;
        return false;
    }));
    EXPECT_EQ(visits, 1);
    writeBytes(home.folder().catalogueFile(), QByteArray(2048, 'x'));
    error.clear();
    EXPECT_FALSE(catalogue.forEachStoredMovieFields(
        { MovieField::ID }, [](const StoredMovie&) { return true; }, &error));
    EXPECT_FALSE(error.isEmpty());
}
