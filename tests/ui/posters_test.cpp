#include "app/mainwindow.h"
#include "auxwin/posterviewer.h"
#include "browse/detailpane.h"
#include "browse/disctreewidget.h"
#include "browse/movielistview.h"
#include "movies/movieeditor.h"
#include "search/searchdialog.h"
#include "store/catalogue.h"
#include "testsupport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class PostersTest : public ::testing::Test
{
protected:
    TestApp app;
    std::unique_ptr<MainWindow> window;

    void SetUp() override
    {
        app.home.addDisc(QStringLiteral("12"));
        app.home.addMovie(1, QStringLiteral("英雄"), 12);
        app.home.addMovie(2, QStringLiteral("Alpha"), 12);
        window = std::make_unique<MainWindow>(app.context);
        window->show();
        QString error;
        ASSERT_TRUE(window->load(&error)) << error.toStdString();
    }
    QString poster(const char* id) const { return app.home.folder().posterFor(QString::fromLatin1(id)); }
    // A JPEG of 7000 x 7000 pixels: past the 128 MB Qt decodes whole.
    void writeHugePicture(const QString& path) const
    {
        QImage huge(7000, 7000, QImage::Format_Grayscale8);
        huge.fill(90);
        ASSERT_TRUE(huge.save(path, "JPG"));
    }
    void listNode(const QString& key)
    {
        QTreeWidgetItem* item = window->discTree()->itemForKey(key);
        ASSERT_NE(item, nullptr);
        window->discTree()->setCurrentItem(item);
        emit window->discTree()->itemClicked(item, 0);
    }
    void showRow(int row)
    {
        window->movieList()->setCurrentIndex(window->movieList()->model()->index(row, 0));
        emit window->movieList()->leftReleased(row);
    }
    // Clicks the pane's poster; the viewer it opened.
    PosterViewer* clickPoster()
    {
        window->detailPane()->setCurrentIndex(2);
        auto* picture = window->detailPane()->findChild<PictureLabel*>(QStringLiteral("Image2"));
        QTest::mouseClick(picture, Qt::LeftButton, Qt::NoModifier, picture->rect().center());
        auto* viewer = window->findChild<PosterViewer*>(QStringLiteral("Form10"));
        EXPECT_NE(viewer, nullptr);
        return viewer;
    }
    void closeViewer(PosterViewer* viewer)
    {
        viewer->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

TEST_F(PostersTest, ADiscClickOrASearchLeavesTheViewerOnTheDefaultPoster)
{
    app.home.writePicture(QStringLiteral("Posters/00.jpg"), 30, 45);
    app.home.writePicture(QStringLiteral("Posters/1.jpg"), 40, 60);
    const std::function<void()> resets[] = {
        [&] { listNode(QStringLiteral("Node12")); },
        [&] {
            window->action(QStringLiteral("MN_search"))->trigger();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            auto* search = window->findChild<SearchDialog*>(QStringLiteral("Form5"));
            ASSERT_NE(search, nullptr);
            search->selectTab(QStringLiteral("Seen"));
            search->search();
        },
    };
    for (const auto& reset : resets) {
        listNode(QStringLiteral("Node12"));
        showRow(0);
        ASSERT_EQ(window->detailPane()->posterPath(), poster("1"));
        reset();
        EXPECT_EQ(window->detailPane()->posterPath(), app.home.folder().defaultPoster());
        PosterViewer* viewer = clickPoster();
        ASSERT_NE(viewer, nullptr);
        EXPECT_EQ(viewer->findChild<QLabel*>(QStringLiteral("Image1"))->pixmap().size(), QSize(30, 45));
        closeViewer(viewer);
    }
}

TEST_F(PostersTest, APictureLargerThanQtDecodesWholeIsShownEverywhere)
{
    writeHugePicture(poster("1"));
    listNode(QStringLiteral("Node12"));
    showRow(0);
    auto* pane = window->detailPane()->findChild<PictureLabel*>(QStringLiteral("Image2"));
    EXPECT_EQ(pane->loadedPath(), poster("1"));
    EXPECT_FALSE(pane->pixmap().isNull());

    PosterViewer* viewer = clickPoster();
    ASSERT_NE(viewer, nullptr);
    EXPECT_TRUE(viewer->isStretched());
    EXPECT_EQ(
        viewer->findChild<QLabel*>(QStringLiteral("Image1"))->pixmap().size(), PosterViewer::innerArea());
    closeViewer(viewer);

    // The editor's preview shows it, and a new movie takes it as its poster.
    const QString chosen = app.home.path() + QStringLiteral("/huge.jpg");
    QFile::copy(poster("1"), chosen);
    MovieEditor editor(app.context, window.get());
    app.context.pickFile = [&](QWidget*, const QString&, const QString&, const QString&) { return chosen; };
    editor.browsePoster();
    auto* preview = editor.findChild<PictureLabel*>(QStringLiteral("Image2"));
    EXPECT_EQ(preview->loadedPath(), chosen);
    editor.findChild<QLineEdit*>(QStringLiteral("Text1_0"))->setText(QStringLiteral("12"));
    editor.findChild<QLineEdit*>(QStringLiteral("Text1_9"))->setText(QStringLiteral("大图"));
    editor.confirm();
    ASSERT_TRUE(editor.outcome());
    EXPECT_EQ(readBytes(poster("3")), readBytes(chosen));
}

TEST_F(PostersTest, APictureThatDoesNotDecodeIsRefusedBeforeAnythingIsStored)
{
    // Begins like a JPEG, then nothing a decoder can use.
    const QString broken = app.home.path() + QStringLiteral("/broken.jpg");
    writeBytes(broken, QByteArray("\xFF\xD8\xFF\xE0", 4) + QByteArray(4000, '\x13'));
    app.home.writePicture(QStringLiteral("good.jpg"), 30, 40);
    const QString good = app.home.path() + QStringLiteral("/good.jpg");

    MovieEditor editor(app.context, window.get());
    QString next = good;
    app.context.pickFile = [&](QWidget*, const QString&, const QString&, const QString&) { return next; };
    editor.browsePoster();
    next = broken;
    editor.browsePoster();
    ASSERT_EQ(app.prompt.asked.size(), 1);
    EXPECT_TRUE(app.prompt.asked.at(0).text.contains(QStringLiteral("broken.jpg")));
    EXPECT_EQ(editor.findChild<QLineEdit*>(QStringLiteral("Text2"))->text(), good)
        << "the earlier choice stays";

    // Chosen some other way (or spoilt after it was chosen), it is refused at the confirm.
    editor.findChild<QLineEdit*>(QStringLiteral("Text2"))->setText(broken);
    editor.findChild<QLineEdit*>(QStringLiteral("Text1_0"))->setText(QStringLiteral("12"));
    editor.findChild<QLineEdit*>(QStringLiteral("Text1_9"))->setText(QStringLiteral("坏图"));
    editor.confirm();
    ASSERT_EQ(app.prompt.asked.size(), 2);
    EXPECT_TRUE(app.prompt.asked.at(1).text.contains(QStringLiteral("不是图片")));
    EXPECT_EQ(editor.result(), 0);
    EXPECT_FALSE(Catalogue(app.home.folder().catalogueFile()).findMovie(3));
    EXPECT_FALSE(QFile::exists(poster("3")));
}

TEST(Pictures, APipeUnderAPicturesNameIsNeverWaitedFor)
{
    TestApp app;
    const QString pipe = app.home.folder().defaultPoster();
    PipeFeeder feeder({ pipe });
    ASSERT_TRUE(feeder.made());
    QElapsedTimer clock;
    clock.start();
    {
        MainWindow window(app.context);
        QString error;
        EXPECT_TRUE(window.load(&error)) << error.toStdString();
        PosterViewer viewer(pipe, pipe);
    }
    EXPECT_LT(clock.elapsed(), 1000) << "the window waited for the pipe";
}

} // namespace
