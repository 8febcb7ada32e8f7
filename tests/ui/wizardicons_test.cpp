#include "app/mainwindow.h"
#include "app/sharppicture.h"
#include "testsupport.h"
#include "wizard/wizarddialog.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

// The icon's picture at list size, comparable whatever format it was read in (a screen's picture
// keeps its colours premultiplied).
QImage shown(const QIcon& icon)
{
    return icon.pixmap(QSize(16, 16), 1.0).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

QImage file(const QString& name)
{
    return QImage(QStringLiteral(":/icons/files/%1.png").arg(name))
        .convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

class WizardIcons : public ::testing::Test
{
protected:
    TestApp app;
    TestTree disc;
    std::unique_ptr<MainWindow> window;

    void SetUp() override
    {
        for (const char* name : { "Ran.RMVB", "Old.rm", "Heat.avi", "Vcd.MPG", "Hd.mkv", "Clip.ts" })
            disc.file(QString::fromLatin1(name), 1048576);
        window = std::make_unique<MainWindow>(app.context);
        QString error;
        ASSERT_TRUE(window->load(&error)) << error.toStdString();
    }

    WizardDialog* searched()
    {
        WizardDialog* w = window->openWizard();
        w->findChild<QLineEdit*>(QStringLiteral("Text1_0"))->setText(QStringLiteral("1"));
        w->findChild<QComboBox*>(QStringLiteral("Combo2"))->setEditText(disc.path() + u'/');
        w->next();
        QSignalSpy done(w, &WizardDialog::searchFinished);
        w->search();
        EXPECT_TRUE(done.count() > 0 || done.wait(20000));
        return w;
    }
};

} // namespace

TEST_F(WizardIcons, CandidateRowsShowTheirFileKindAndPreparedRowsTheVideoIcon)
{
    WizardDialog* w = searched();
    QTreeWidget* candidates = w->candidateList();
    ASSERT_EQ(candidates->topLevelItemCount(), 6);
    const QImage realMedia = file(QStringLiteral("realmedia"));
    const QImage video = file(QStringLiteral("video"));
    const QImage other = file(QStringLiteral("other"));
    ASSERT_TRUE(realMedia != video && video != other && realMedia != other);
    // The kind goes by the extension in any letter case.
    const QHash<QString, QImage> expected = {
        { QStringLiteral("Ran.RMVB"), realMedia },
        { QStringLiteral("Old.rm"), realMedia },
        { QStringLiteral("Heat.avi"), video },
        { QStringLiteral("Vcd.MPG"), video },
        { QStringLiteral("Hd.mkv"), other },
        { QStringLiteral("Clip.ts"), other },
    };
    for (int i = 0; i < candidates->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* row = candidates->topLevelItem(i);
        ASSERT_TRUE(expected.contains(row->text(0))) << row->text(0).toStdString();
        EXPECT_TRUE(shown(row->icon(0)) == expected.value(row->text(0))) << row->text(0).toStdString();
        EXPECT_EQ(row->icon(0).pixmap(QSize(16, 16), 2.0).size(), QSize(32, 32))
            << row->text(0).toStdString();
    }

    w->addAllCandidates();
    QTreeWidget* prepared = w->preparedList();
    ASSERT_EQ(prepared->topLevelItemCount(), 6);
    for (int i = 0; i < prepared->topLevelItemCount(); ++i)
        EXPECT_TRUE(shown(prepared->topLevelItem(i)->icon(0)) == video)
            << prepared->topLevelItem(i)->text(0).toStdString();
    w->close();
}
