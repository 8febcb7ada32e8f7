#include "app/mainwindow.h"
#include "app/sharppicture.h"
#include "auxwin/aboutdialog.h"
#include "browse/disctreewidget.h"
#include "browse/movielistview.h"
#include "store/datafolder.h"
#include "testsupport.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QApplication>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QTreeWidgetItemIterator>
#include <gtest/gtest.h>

// These tests run twice: in the ordinary run, and with QT_SCALE_FACTOR=2 as on a 4K screen.

namespace {

// How the screen is scaled in this run: 1, or 2 under QT_SCALE_FACTOR=2.
qreal screenScale()
{
    return qApp->devicePixelRatio();
}

// What an icon gives a screen scaled by two at `size`.
QSize pixelsAtScaleTwo(const QIcon& icon, const QSize& size)
{
    return icon.pixmap(size, 2.0).size();
}

void writePicture(const QString& path, const QSize& size, QColor colour, const char* format)
{
    QImage picture(size, QImage::Format_ARGB32);
    picture.fill(colour);
    ASSERT_TRUE(picture.save(path, format)) << path.toStdString();
}

} // namespace

TEST(SharpPictures, EveryPictureOfTheProgramHasItsTwiceSizedCopy)
{
    QStringList pictures;
    QDirIterator it(
        QStringLiteral(":/icons"), { QStringLiteral("*.png") }, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (!path.endsWith(QStringLiteral("@2x.png")))
            pictures << path;
    }
    EXPECT_GE(pictures.size(), 22) << "the walk missed the icon groups";
    pictures << QStringLiteral(":/about.png") << QStringLiteral(":/defaults/Temp/goldstar.gif")
             << QStringLiteral(":/defaults/Temp/graystar.gif");
    for (const QString& path : pictures) {
        const QImage own(path);
        const QImage twice(DataFolder::twiceSizedPicture(path));
        ASSERT_FALSE(own.isNull()) << path.toStdString();
        EXPECT_EQ(twice.size(), own.size() * 2) << path.toStdString();
    }
}

TEST(SharpPictures, ACopyBesideAPictureServesTheScaledScreenButNeverReplacesIt)
{
    QTemporaryDir dir;
    const QString plain = dir.filePath(QStringLiteral("plain.png"));
    const QString star = dir.filePath(QStringLiteral("star.gif"));
    const QString damaged = dir.filePath(QStringLiteral("damaged.png"));
    const QString lonely = dir.filePath(QStringLiteral("lonely.png"));
    writePicture(plain, QSize(16, 16), Qt::red, "PNG");
    // Qt writes no GIF: the shipped stars stand in for a data folder's.
    writeBytes(star, readBytes(QStringLiteral(":/defaults/Temp/goldstar.gif")));
    writeBytes(
        DataFolder::twiceSizedPicture(star), readBytes(QStringLiteral(":/defaults/Temp/goldstar@2x.gif")));
    writePicture(damaged, QSize(16, 16), Qt::blue, "PNG");
    writeBytes(DataFolder::twiceSizedPicture(damaged), "\x89PNG cut short");
    writePicture(DataFolder::twiceSizedPicture(lonely), QSize(32, 32), Qt::green, "PNG");

    EXPECT_EQ(pixelsAtScaleTwo(SharpPicture::icon(star), QSize(16, 16)), QSize(32, 32));
    EXPECT_EQ(SharpPicture::icon(star).pixmap(QSize(16, 16), 1.0).size(), QSize(16, 16));
    // Without a usable copy the picture itself serves every screen.
    EXPECT_EQ(pixelsAtScaleTwo(SharpPicture::icon(plain), QSize(16, 16)), QSize(16, 16));
    EXPECT_EQ(pixelsAtScaleTwo(SharpPicture::icon(damaged), QSize(16, 16)), QSize(16, 16));
    // A copy whose picture is missing shows nothing, as the missing picture did.
    EXPECT_TRUE(SharpPicture::icon(lonely).isNull());
    EXPECT_TRUE(SharpPicture::icon(dir.filePath(QStringLiteral("none.png"))).isNull());

    SharpLabel label;
    label.setPicture(SharpPicture::icon(star));
    EXPECT_EQ(label.pixmap().deviceIndependentSize().toSize(), QSize(16, 16));
    label.setPicture(QIcon());
    EXPECT_TRUE(label.pixmap().isNull());
}

class SharpPicturesWindow : public ::testing::Test
{
protected:
    TestApp app;
    std::unique_ptr<MainWindow> window;

    void SetUp() override
    {
        // The run at scale two must really be one.
        if (qEnvironmentVariable("QT_SCALE_FACTOR") == QStringLiteral("2")) {
            ASSERT_EQ(screenScale(), 2.0);
        }
        app.home.addDisc(QStringLiteral("1"), {}, QStringLiteral("DVD "));
        app.home.addDisc(QStringLiteral("2"), {}, QStringLiteral("DVD "), QStringLiteral("外借"), {},
            QStringLiteral("Yes"));
        app.home.addDisc(QStringLiteral("3"), {}, QStringLiteral("DVD "), QStringLiteral("破损"));
        app.home.addMovie(1, QStringLiteral("英雄"), 1, movieWith({ { MovieField::Score, 7.0 } }));
        window = std::make_unique<MainWindow>(app.context);
        window->show();
        QString error;
        ASSERT_TRUE(window->load(&error)) << error.toStdString();
    }

    // A label's picture is drawn at the screen's scale and takes the picture's own size on it.
    static void expectDrawnAtScale(const QLabel* label, const QSize& own)
    {
        ASSERT_NE(label, nullptr);
        const QPixmap shown = label->pixmap();
        EXPECT_EQ(shown.devicePixelRatio(), screenScale()) << label->objectName().toStdString();
        EXPECT_EQ(shown.size(), own * screenScale()) << label->objectName().toStdString();
        EXPECT_EQ(shown.deviceIndependentSize().toSize(), own) << label->objectName().toStdString();
    }
};

TEST_F(SharpPicturesWindow, TheWindowsPicturesComeAtTwiceThePixelsOnAScreenScaledByTwo)
{
    int treeIcons = 0;
    for (QTreeWidgetItemIterator it(window->discTree()); *it; ++it) {
        const QIcon icon = (*it)->icon(0);
        if (icon.isNull())
            continue;
        ++treeIcons;
        EXPECT_EQ(pixelsAtScaleTwo(icon, QSize(16, 16)), QSize(32, 32)) << (*it)->text(0).toStdString();
    }
    EXPECT_GE(treeIcons, 5) << "all, good, lent, damaged and favourite discs";

    auto* toolbar = window->findChild<QToolBar*>(QStringLiteral("Toolbar1"));
    ASSERT_NE(toolbar, nullptr);
    int buttons = 0;
    for (QAction* a : toolbar->actions()) {
        if (a->isSeparator())
            continue;
        ++buttons;
        EXPECT_EQ(pixelsAtScaleTwo(a->icon(), toolbar->iconSize()), QSize(50, 50))
            << a->objectName().toStdString();
    }
    EXPECT_EQ(buttons, 9);

    QTreeWidgetItem* all = window->discTree()->itemForKey(QStringLiteral("NodeAll"));
    ASSERT_NE(all, nullptr);
    window->discTree()->setCurrentItem(all);
    emit window->discTree()->itemClicked(all, 0);
    QAbstractItemModel* movies = window->movieList()->model();
    ASSERT_EQ(movies->rowCount(), 1);
    EXPECT_EQ(pixelsAtScaleTwo(movies->index(0, 0).data(Qt::DecorationRole).value<QIcon>(), QSize(16, 16)),
        QSize(32, 32));

    for (const QString& name : { QStringLiteral("Image3_0"), QStringLiteral("Image3_1") })
        expectDrawnAtScale(window->findChild<QLabel*>(name), QSize(16, 16));

    // Picking the movie lights seven stars and leaves three unlit, both from the data folder.
    QTest::mouseClick(window->movieList()->viewport(), Qt::LeftButton, Qt::NoModifier,
        window->movieList()->visualRect(movies->index(0, 0)).center());
    for (int i : { 0, 6, 7, 9 })
        expectDrawnAtScale(window->findChild<QLabel*>(QStringLiteral("Image5_%1").arg(i)), QSize(16, 16));

    window->action(QStringLiteral("MN_About2"))->trigger();
    auto* about = window->findChild<AboutDialog*>(QStringLiteral("Form7"));
    ASSERT_NE(about, nullptr);
    auto* picture = about->findChild<QLabel*>(QStringLiteral("Image1"));
    expectDrawnAtScale(picture, QSize(120, 120));
    EXPECT_EQ(picture->sizeHint(), QSize(120, 120));
    about->close();
    QApplication::processEvents();
}

// Stars are the data folder's files: a pipe under a star's name or its copy's shows no star and is
// never waited for.
TEST_F(SharpPicturesWindow, APipeForAStarIsNeverWaitedFor)
{
    PipeFeeder feeder(
        { app.home.folder().goldStar(), DataFolder::twiceSizedPicture(app.home.folder().grayStar()) });
    ASSERT_TRUE(feeder.made());
    QElapsedTimer clock;
    clock.start();
    QTreeWidgetItem* all = window->discTree()->itemForKey(QStringLiteral("NodeAll"));
    ASSERT_NE(all, nullptr);
    window->discTree()->setCurrentItem(all);
    emit window->discTree()->itemClicked(all, 0);
    const QModelIndex movie = window->movieList()->model()->index(0, 0);
    QTest::mouseClick(window->movieList()->viewport(), Qt::LeftButton, Qt::NoModifier,
        window->movieList()->visualRect(movie).center());
    EXPECT_LT(clock.elapsed(), 1000) << "the window waited for a pipe";
    EXPECT_TRUE(window->findChild<QLabel*>(QStringLiteral("Image5_0"))->pixmap().isNull());
    // Without its copy the unlit star still shows, at its own size.
    const QPixmap gray = window->findChild<QLabel*>(QStringLiteral("Image5_9"))->pixmap();
    EXPECT_EQ(gray.deviceIndependentSize().toSize(), QSize(16, 16));
}
