#include "detailpane.h"

#include "app/plaintext.h"
#include "moviefilespage.h"
#include "pictures.h"
#include "starrow.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollArea>
#include <QStyleOptionFocusRect>
#include <QStylePainter>
#include <QTabBar>
#include <QVBoxLayout>

void ClickableLabel::mouseReleaseEvent(QMouseEvent* event)
{
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}

void ClickableLabel::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        emit clicked();
        return;
    default:
        QLabel::keyPressEvent(event);
    }
}

void ClickableLabel::paintEvent(QPaintEvent* event)
{
    QLabel::paintEvent(event);
    if (!hasFocus())
        return;
    QStylePainter painter(this);
    QStyleOptionFocusRect frame;
    frame.initFrom(this);
    frame.backgroundColor = palette().color(backgroundRole());
    painter.drawPrimitive(QStyle::PE_FrameFocusRect, frame);
}

bool PictureLabel::load(const QString& path)
{
    // Never more pixels than the screen holds: the label shows the picture at most that large.
    const QScreen* shownOn = screen();
    const QSize bound
        = shownOn ? (QSizeF(shownOn->size()) * shownOn->devicePixelRatio()).toSize() : QSize(2048, 2048);
    const QImage image = Pictures::readFitting(path, bound);
    if (image.isNull()) {
        clearPicture();
        return false;
    }
    original_ = QPixmap::fromImage(image);
    path_ = path;
    rescale();
    return true;
}

void PictureLabel::clearPicture()
{
    original_ = QPixmap();
    path_.clear();
    QLabel::clear();
}

void PictureLabel::resizeEvent(QResizeEvent* event)
{
    QLabel::resizeEvent(event);
    rescale();
}

void PictureLabel::rescale()
{
    if (original_.isNull())
        return;
    const QSize room = size().boundedTo(original_.size().expandedTo(QSize(1, 1)) * 4);
    if (room.width() < 2 || room.height() < 2) {
        setPixmap(original_);
        return;
    }
    setPixmap(original_.scaled(room, Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

namespace {

struct BoxLabel
{
    int index;
    const char16_t* caption;
};

// The text boxes in reading order, two to a row.
const BoxLabel boxLayout[] = { { 9, u"电影名称" }, { 3, u"英 文 名" }, { 10, u"年    份" },
    { 1, u"格    式" }, { 7, u"配    音" }, { 11, u"清晰度/源" }, { 8, u"规    格" }, { 2, u"文 件 数" },
    { 4, u"导    演" }, { 5, u"演    员" }, { 13, u"出品公司" }, { 6, u"时    长" }, { 12, u"国家/地区" },
    { 0, u"此电影属于的光碟的号码" } };

// The check boxes only show a movie's state; the user does not tick them here.
QCheckBox* displayCheckBox(const QString& caption, const QString& name, QWidget* parent)
{
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(name);
    box->setAttribute(Qt::WA_TransparentForMouseEvents);
    box->setFocusPolicy(Qt::NoFocus);
    return box;
}

// A field the user reads, not types into: plain text on the page, still selectable to copy.
void showAsText(QLineEdit* edit)
{
    edit->setReadOnly(true);
    edit->setFrame(false);
    edit->setFocusPolicy(Qt::ClickFocus);
    QPalette p = edit->palette();
    p.setColor(QPalette::Base, Qt::transparent);
    edit->setPalette(p);
}

// Check boxes close together: they only show a state, so they need no room around them.
void compact(QGridLayout* grid)
{
    grid->setContentsMargins(6, 2, 6, 2);
    grid->setVerticalSpacing(0);
    grid->setHorizontalSpacing(8);
}

// A page that scrolls rather than hold the window wider or taller than the user makes it.
QScrollArea* scrollable(QWidget* page)
{
    auto* area = new QScrollArea;
    area->setWidget(page);
    area->setWidgetResizable(true);
    area->setFrameShape(QFrame::NoFrame);
    return area;
}

} // namespace

DetailPane::DetailPane(QWidget* parent)
    : QTabWidget(parent)
{
    setObjectName(QStringLiteral("TabStrip1"));
    // Tab order as the user sees it; the panels keep their own numbers.
    detailsPage_ = buildDetailsPage();
    addTab(scrollable(detailsPage_), QStringLiteral("基本信息"));
    addTab(buildSummaryPage(), QStringLiteral("剧情简介"));
    addTab(buildPosterPage(), QStringLiteral("影片海报"));
    filesPage_ = new MovieFilesPage(this);
    addTab(filesPage_, QStringLiteral("文件"));
    tabBar()->setTabData(0, QStringLiteral("MovieDetail"));
    tabBar()->setTabData(1, QStringLiteral("jianjie"));
    tabBar()->setTabData(2, QStringLiteral("Moviepics"));
}

QWidget* DetailPane::buildDetailsPage()
{
    auto* page = new QWidget(this);
    page->setObjectName(QStringLiteral("Picture1_0"));
    auto* outer = new QHBoxLayout(page);

    // A small poster first, which a click opens in the viewer as the poster tab's does.
    thumbnail_ = new PictureLabel(page);
    thumbnail_->setObjectName(QStringLiteral("PosterThumb"));
    thumbnail_->setToolTip(QStringLiteral("点击（或按空格键）放大查看海报"));
    thumbnail_->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    thumbnail_->setFixedWidth(110);
    thumbnail_->setMinimumHeight(60);
    thumbnail_->setCursor(Qt::PointingHandCursor);
    thumbnail_->setFocusPolicy(Qt::TabFocus);
    connect(thumbnail_, &ClickableLabel::clicked, this, &DetailPane::posterClicked);
    outer->addWidget(thumbnail_);

    auto* grid = new QGridLayout;
    grid->setVerticalSpacing(1);
    grid->setHorizontalSpacing(6);
    int cell = 0;
    for (const BoxLabel& b : boxLayout) {
        auto* edit = new QLineEdit(page);
        edit->setObjectName(QStringLiteral("Text1_%1").arg(b.index));
        showAsText(edit);
        PlainText::holdAnyLength(edit);
        auto* label = new QLabel(QString::fromUtf16(b.caption) + u'：', page);
        label->setBuddy(edit);
        label->setForegroundRole(QPalette::PlaceholderText);
        const int row = cell / 2;
        const int col = (cell % 2) * 2;
        if (&b == &boxLayout[std::size(boxLayout) - 1] && col == 2) {
            // The longest caption ("此电影属于的光碟的号码") would widen its whole column of
            // captions and leave the values beside them too narrow on a small screen.
            auto* last = new QHBoxLayout;
            last->setSpacing(grid->horizontalSpacing());
            last->addWidget(label);
            last->addWidget(edit, 1);
            grid->addLayout(last, row, col, 1, 2);
        } else {
            grid->addWidget(label, row, col);
            grid->addWidget(edit, row, col + 1);
        }
        boxes_[size_t(b.index)] = edit;
        ++cell;
    }
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    // The fields stay together at the top, whatever height the check boxes beside them take.
    grid->setRowStretch(grid->rowCount(), 1);
    outer->addLayout(grid, 3);

    auto* side = new QVBoxLayout;
    side->setSpacing(2);
    auto* genreFrame = new QGroupBox(QStringLiteral(" 类 型 "), page);
    auto* genreGrid = new QGridLayout(genreFrame);
    compact(genreGrid);
    for (size_t i = 0; i < genres_.size(); ++i) {
        genres_[i]
            = displayCheckBox(Captions::paneGenres()[i], QStringLiteral("Check1_%1").arg(i), genreFrame);
        genreGrid->addWidget(genres_[i], int(i / 6), int(i % 6));
    }
    side->addWidget(genreFrame);

    auto* subtitleFrame = new QGroupBox(QStringLiteral(" 字 幕 "), page);
    auto* subtitleGrid = new QGridLayout(subtitleFrame);
    compact(subtitleGrid);
    for (size_t i = 0; i < subtitles_.size(); ++i) {
        subtitles_[i]
            = displayCheckBox(Captions::subtitles()[i], QStringLiteral("Check2_%1").arg(i), subtitleFrame);
        subtitleGrid->addWidget(subtitles_[i], int(i / 4), int(i % 4));
    }
    side->addWidget(subtitleFrame);

    auto* scoreRow = new QHBoxLayout;
    seen_ = displayCheckBox(Details::seenCaption, QStringLiteral("CheckSeen"), page);
    scoreRow->addWidget(seen_);
    scoreRow->addSpacing(12);
    scoreRow->addWidget(new QLabel(QStringLiteral("评  分(/10)"), page));
    stars_ = new StarRow(page);
    scoreRow->addWidget(stars_);
    scoreRow->addStretch(1);
    side->addLayout(scoreRow);

    logo_ = new PictureLabel(page);
    logo_->setObjectName(QStringLiteral("Image4"));
    logo_->setMinimumSize(120, 48);
    logo_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    side->addWidget(logo_, 1);
    outer->addLayout(side, 2);
    return page;
}

QWidget* DetailPane::buildSummaryPage()
{
    auto* page = new QWidget(this);
    page->setObjectName(QStringLiteral("Picture1_2"));
    auto* layout = new QVBoxLayout(page);
    summary_ = new QPlainTextEdit(page);
    summary_->setObjectName(QStringLiteral("TextPS"));
    summary_->setReadOnly(true);
    layout->addWidget(summary_);
    return page;
}

QWidget* DetailPane::buildPosterPage()
{
    auto* page = new QWidget(this);
    page->setObjectName(QStringLiteral("Picture1_1"));
    auto* layout = new QHBoxLayout(page);
    poster_ = new PictureLabel(page);
    poster_->setObjectName(QStringLiteral("Image2"));
    poster_->setToolTip(QStringLiteral("点击（或按空格键）放大查看海报"));
    poster_->setAlignment(Qt::AlignCenter);
    poster_->setMinimumSize(60, 80);
    poster_->setCursor(Qt::PointingHandCursor);
    poster_->setFocusPolicy(Qt::TabFocus);
    connect(poster_, &ClickableLabel::clicked, this, &DetailPane::posterClicked);
    layout->addWidget(poster_, 3);
    auto* hint = new QLabel(
        QStringLiteral("影片的海报显示在这里,您可以点击它用海报查看器来获得更加详细的信息."), page);
    hint->setObjectName(QStringLiteral("Labelpost"));
    hint->setWordWrap(true);
    layout->addWidget(hint, 1);
    return page;
}

void DetailPane::showPoster(const QString& path)
{
    // A missing default poster leaves the picture empty; the path is still remembered.
    poster_->load(path);
    thumbnail_->load(path);
    posterPath_ = path;
}

void DetailPane::uncheckGenresAndSubtitles()
{
    for (QCheckBox* b : genres_)
        b->setChecked(false);
    for (QCheckBox* b : subtitles_)
        b->setChecked(false);
}

void DetailPane::clearSummary()
{
    summary_->clear();
}

void DetailPane::reset(const QString& defaultPoster)
{
    for (QLineEdit* e : boxes_) {
        e->clear();
        e->setToolTip({});
    }
    summary_->clear();
    uncheckGenresAndSubtitles();
    seen_->setChecked(false);
    filesPage_->clear();
    showPoster(defaultPoster);
}

void DetailPane::showMovie(const MovieDetails& d, const QString& goldStar, const QString& grayStar)
{
    for (size_t i = 0; i < boxes_.size(); ++i) {
        boxes_[i]->setText(d.boxes[i]);
        boxes_[i]->setCursorPosition(0);
        // A value wider than its field on a small screen can still be read whole.
        boxes_[i]->setToolTip(PlainText::tip(d.boxes[i]));
    }
    summary_->setPlainText(QString(d.summary).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    seen_->setChecked(false);
    if (d.seen != MovieDetails::Seen::Unknown) {
        seen_->setText(d.seen == MovieDetails::Seen::Yes ? Details::seenCaption : Details::unseenCaption);
        seen_->setChecked(true);
    }
    if (d.logoPath.isEmpty() || !logo_->load(d.logoPath))
        logo_->clearPicture();
    for (size_t i = 0; i < genres_.size(); ++i)
        genres_[i]->setChecked(d.genres[i]);
    for (size_t i = 0; i < subtitles_.size(); ++i)
        subtitles_[i]->setChecked(d.subtitles[i]);
    showPoster(d.posterPath);
    showStars(d.litStars, goldStar, grayStar);
}

void DetailPane::showStars(int lit, const QString& goldStar, const QString& grayStar)
{
    stars_->show(lit, goldStar, grayStar);
}

int DetailPane::naturalHeight() const
{
    // The fields page whole, under the tab bar, inside the tab frame.
    return detailsPage_->sizeHint().height() + tabBar()->sizeHint().height() + 8;
}
