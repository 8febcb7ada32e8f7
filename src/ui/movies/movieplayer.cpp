#include "movieplayer.h"

#include "app/appcontext.h"
#include "app/mediumbar.h"
#include "app/prompt.h"
#include "app/windowplacement.h"
#include "media/identify.h"
#include "media/playtarget.h"
#include "store/catalogue.h"
#include "store/mediatables.h"
#include "store/safewrite.h"
#include "store/textrules.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QStandardPaths>
#include <QVBoxLayout>

MoviePlayer::MoviePlayer(AppContext& context, MediumBar* media, QWidget* window)
    : QObject(window)
    , context_(context)
    , media_(media)
    , window_(window)
{
    setObjectName(QStringLiteral("MoviePlayer"));
}

void MoviePlayer::play(const QString& movieId, const QString& discNumber)
{
    const QString catalogueFile = context_.folder.catalogueFile();
    QString error;
    const auto files = MediaTables::files(catalogueFile, TextRules::numericValue(movieId), &error);
    if (!files) {
        context_.prompt.warn(window_, error);
        return;
    }
    if (files->isEmpty()) {
        context_.prompt.warn(window_,
            QStringLiteral(
                "这部影片还没有记住它的文件，无法播放。请先在它所在光盘的右键菜单中选择“重新读取光盘...”。"));
        return;
    }
    const QString number = TextRules::trimBlanks(discNumber);
    DiscRecord disc;
    if (number.isEmpty() || !Catalogue(catalogueFile).findDisc(number, &disc).ok()) {
        context_.prompt.warn(window_, QStringLiteral("这部影片所在的光盘不在目录中，无法播放。"));
        return;
    }
    const QString root = media_->rootOf(number);
    if (!root.isEmpty()) {
        openFrom(root, movieId);
        return;
    }
    waitForDisc(movieId, number, Identify::discLabel(number, TextRules::trimBlanks(disc.name.toString())));
}

void MoviePlayer::waitForDisc(const QString& movieId, const QString& discNumber, const QString& label)
{
    if (waiting_)
        waiting_->close();
    auto* dialog = new QDialog(window_);
    waiting_ = dialog;
    dialog->setObjectName(QStringLiteral("FormInsertDisc"));
    dialog->setWindowTitle(QStringLiteral("播放"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(dialog);
    auto* text = new QLabel(QStringLiteral("请插入光盘 %1。").arg(label), dialog);
    text->setObjectName(QStringLiteral("LabelInsert"));
    layout->addWidget(text);
    auto* hint = new QLabel(QStringLiteral("光盘放入并被系统挂载后，影片会自动开始播放。"), dialog);
    hint->setWordWrap(true);
    layout->addWidget(hint);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, dialog);
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消(&C)"));
    connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    layout->addWidget(buttons);
    // The medium, when it comes, is told by the status line's recognition; then the movie plays.
    connect(media_, &MediumBar::recognised, dialog,
        [this, dialog, movieId, discNumber](const QString& root, const QString& disc) {
            if (disc != discNumber)
                return;
            dialog->close();
            openFrom(root, movieId);
        });
    WindowPlacement::centre(dialog);
    dialog->show();
    // A medium mounted before it was catalogued, or not yet told, is looked at again.
    media_->identifyAgain();
}

void MoviePlayer::openFrom(const QString& root, const QString& movieId)
{
    QString error;
    const auto files
        = MediaTables::files(context_.folder.catalogueFile(), TextRules::numericValue(movieId), &error);
    if (!files) {
        context_.prompt.warn(window_, error);
        return;
    }
    const PlayTarget::Target target = PlayTarget::forFiles(root, *files);
    if (!target.missing.isEmpty()) {
        context_.prompt.warn(
            window_, QStringLiteral("光盘上找不到这部影片的文件 %1，无法播放。").arg(target.missing));
        return;
    }
    QUrl url = target.file;
    if (!target.playlist.isEmpty()) {
        // The playlist is only the order of the parts: it lives with the user's cached files.
        const QString cache = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
        QDir().mkpath(cache);
        const QString list = QDir(cache).filePath(QStringLiteral("play.m3u"));
        const SafeWrite::Outcome written = SafeWrite::writeFile(list, target.playlist);
        if (!written.ok()) {
            context_.prompt.warn(window_, written.message);
            return;
        }
        url = QUrl::fromLocalFile(list);
    }
    if (!context_.desktop.openUrl(url)) {
        context_.prompt.warn(window_,
            QStringLiteral("没有能打开 %1 的播放程序。").arg(QDir::toNativeSeparators(url.toLocalFile())));
        return;
    }
    emit opened(movieId);
}
