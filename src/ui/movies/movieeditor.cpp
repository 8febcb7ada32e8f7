#include "movieeditor.h"

#include "app/appcontext.h"
#include "app/plaintext.h"
#include "app/prompt.h"
#include "app/windowplacement.h"
#include "browse/detailpane.h"
#include "browse/pictures.h"
#include "browse/starrow.h"
#include "filefactsreader.h"
#include "intro/captions.h"
#include "intro/descriptionfile.h"
#include "intro/introparser.h"
#include "media/mediafields.h"
#include "store/catalogue.h"
#include "store/textrules.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>
#include <cmath>

namespace {

struct ModeTexts
{
    const char16_t* caption;
    const char16_t* confirm;
    const char16_t* hint;
};

const ModeTexts modeTexts[] = {
    { u"添加影片信息", u"确 定(&O)",
        u"手动向影片数据库中添加影片详细信息,这些将成为您以后寻找其信息的依据。" },
    { u"修改影片信息", u"修改(&X)", u"修改关于此影片的详细信息。" },
    { u"移动影片至", u"移动(&Y)", u"您可以直接更改碟片号来移动影片." },
};

const ModeTexts& textsOf(MovieEditor::Mode mode)
{
    return modeTexts[int(mode)];
}

QStringList yearChoices()
{
    QStringList years;
    for (int y = 1997; y <= 2010; ++y)
        years << QString::number(y);
    return years;
}

// The editable choice boxes: index, label and the offered entries.
struct ComboChoices
{
    int index;
    const char16_t* label;
    QStringList choices;
};

const std::array<ComboChoices, 5>& comboChoices()
{
    static const std::array<ComboChoices, 5> specs = { {
        { 0, u"年    份", yearChoices() },
        { 1, u"格    式",
            { QStringLiteral("Rmvb"), QStringLiteral("Rm"), QStringLiteral("DVD-Disk"), QStringLiteral("Avi"),
                QStringLiteral("MKV"), QStringLiteral("Ts"), QStringLiteral("Mpg"), QStringLiteral("Mp4") } },
        { 3, u"语    音",
            { QStringLiteral("英文原声"), QStringLiteral("国语"), QStringLiteral("粤语"),
                QStringLiteral("日本语"), QStringLiteral("法语"), QStringLiteral("意大利语"),
                QStringLiteral("俄语") } },
        { 6, u"清晰度/源",
            { QStringLiteral("DVD"), QStringLiteral("HDTV-Rmvb"), QStringLiteral("DVDRIP"),
                QStringLiteral("VCD") } },
        { 7, u"国家/地区",
            { QStringLiteral("中国(国产)"), QStringLiteral("中国香港"), QStringLiteral("中国台湾"),
                QStringLiteral("美国"), QStringLiteral("英国"), QStringLiteral("法国"),
                QStringLiteral("日本"), QStringLiteral("韩国"), QStringLiteral("泰国") } },
    } };
    return specs;
}

QComboBox* editableCombo(const QString& name, QWidget* parent)
{
    auto* box = new QComboBox(parent);
    box->setObjectName(name);
    box->setEditable(true);
    PlainText::holdAnyLength(box->lineEdit());
    // Enter confirms the dialog rather than adding the typed text to the choices.
    box->setInsertPolicy(QComboBox::NoInsert);
    return box;
}

// A framed group of check boxes, `perRow` to a row, named by their index.
template <size_t N>
QGroupBox* checkBoxFrame(const QString& title, const std::array<QString, N>& captions, const QString& names,
    int perRow, std::array<QCheckBox*, N>& boxes, QWidget* parent)
{
    auto* frame = new QGroupBox(title, parent);
    auto* grid = new QGridLayout(frame);
    for (size_t i = 0; i < N; ++i) {
        boxes[i] = new QCheckBox(captions[i], frame);
        boxes[i]->setObjectName(names.arg(i));
        grid->addWidget(boxes[i], int(i) / perRow, int(i) % perRow);
    }
    return frame;
}

} // namespace

QString MovieEditor::captionFor(Mode mode)
{
    return QString::fromUtf16(textsOf(mode).caption);
}

MovieEditor::MovieEditor(AppContext& context, QWidget* parent)
    : QDialog(parent)
    , context_(context)
{
    setObjectName(QStringLiteral("Form3"));
    auto* layout = new QVBoxLayout(this);

    auto* menus = new QMenuBar(this);
    addFrom_ = menus->addMenu(QStringLiteral("信息源(&S)"));
    addFrom_->setObjectName(QStringLiteral("Addfrom"));
    QAction* fromText = addFrom_->addAction(QStringLiteral("本地文本"));
    fromText->setObjectName(QStringLiteral("txtfile"));
    connect(fromText, &QAction::triggered, this, &MovieEditor::chooseIntroText);
    QAction* fromFile = addFrom_->addAction(QStringLiteral("从文件读取..."));
    fromFile->setObjectName(QStringLiteral("moviefile"));
    connect(fromFile, &QAction::triggered, this, &MovieEditor::readFromMovieFile);
    layout->setMenuBar(menus);

    hint_ = new QLabel(this);
    hint_->setObjectName(QStringLiteral("Label1"));
    hint_->setWordWrap(true);
    layout->addWidget(hint_);

    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("TabStrip1"));
    tabs_->addTab(buildDetailsPage(), QStringLiteral("影片信息"));
    tabs_->addTab(buildIntroPage(), QStringLiteral("内容简介"));
    tabs_->addTab(buildPosterPage(), QStringLiteral("海报"));
    tabs_->tabBar()->setTabData(0, QStringLiteral("MovieDetails"));
    tabs_->tabBar()->setTabData(1, QStringLiteral("jianjie"));
    tabs_->tabBar()->setTabData(2, QStringLiteral("haibao"));
    layout->addWidget(tabs_, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    confirm_ = new QPushButton(this);
    confirm_->setObjectName(QStringLiteral("Command1"));
    confirm_->setDefault(true);
    cancel_ = new QPushButton(QStringLiteral("取 消(&C)"), this);
    cancel_->setObjectName(QStringLiteral("Command2"));
    buttons->addWidget(confirm_);
    buttons->addWidget(cancel_);
    layout->addLayout(buttons);
    connect(confirm_, &QPushButton::clicked, this, &MovieEditor::confirm);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);

    fillCompanyList();
    stars_->show(10, context_.folder.goldStar(), context_.folder.grayStar());
    setMode(Mode::Add);
    texts_[0]->setFocus();
    WindowPlacement::centre(this);
}

QWidget* MovieEditor::buildDetailsPage()
{
    auto* page = new QWidget(this);
    page->setObjectName(QStringLiteral("Picture1"));
    auto* outer = new QVBoxLayout(page);
    auto* grid = new QGridLayout;
    outer->addLayout(grid);

    auto addText = [&](int index, const char16_t* label, int row, int column) {
        auto* edit = new QLineEdit(page);
        edit->setObjectName(QStringLiteral("Text1_%1").arg(index));
        PlainText::holdAnyLength(edit);
        auto* caption = new QLabel(QString::fromUtf16(label), page);
        caption->setBuddy(edit);
        grid->addWidget(caption, row, column);
        grid->addWidget(edit, row, column + 1);
        texts_[size_t(index)] = edit;
    };
    auto addCombo = [&](int index, int row, int column) {
        const ComboChoices* offered = nullptr;
        for (const ComboChoices& c : comboChoices())
            offered = c.index == index ? &c : offered;
        QComboBox* box = editableCombo(QStringLiteral("Combo1_%1").arg(index), page);
        box->addItems(offered->choices);
        box->setEditText(QString());
        auto* caption = new QLabel(QString::fromUtf16(offered->label), page);
        caption->setBuddy(box);
        grid->addWidget(caption, row, column);
        grid->addWidget(box, row, column + 1);
        combos_[size_t(index)] = box;
    };

    // Reading order, two to a row; the tab order follows it.
    addText(0, u"此电影属于的光碟的号码", 0, 0);
    addText(9, u"电影名称", 0, 2);
    addText(3, u"英 文 名", 1, 0);
    addCombo(0, 1, 2);
    addCombo(1, 2, 0);
    addCombo(3, 2, 2);
    addCombo(6, 3, 0);
    addText(8, u"规    格", 3, 2);
    addText(2, u"文 件 数", 4, 0);
    addText(6, u"时    长", 4, 2);
    addText(4, u"导    演", 5, 0);
    addText(5, u"主    演", 5, 2);
    addCombo(7, 6, 0);

    company_ = editableCombo(QStringLiteral("ComboCompany"), page);
    auto* companyCaption = new QLabel(QStringLiteral("出品公司"), page);
    companyCaption->setBuddy(company_);
    grid->addWidget(companyCaption, 6, 2);
    grid->addWidget(company_, 6, 3);
    connect(company_, &QComboBox::textActivated, this, &MovieEditor::pickCompany);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);

    outer->addWidget(checkBoxFrame(
        QStringLiteral(" 类 型 "), Captions::editorGenres(), QStringLiteral("Check1_%1"), 9, genres_, page));
    auto* lower = new QHBoxLayout;
    lower->addWidget(checkBoxFrame(QStringLiteral(" 字 幕 "), Captions::subtitles(),
                         QStringLiteral("Check2_%1"), 4, subtitles_, page),
        2);

    auto* side = new QGridLayout;
    const QString seenCaptions[2] = { QStringLiteral("标记已看"), QStringLiteral("还未观看") };
    for (int i = 0; i < 2; ++i) {
        seen_[size_t(i)] = new QCheckBox(seenCaptions[i], page);
        seen_[size_t(i)]->setObjectName(QStringLiteral("CheckSeen_%1").arg(i));
        connect(seen_[size_t(i)], &QCheckBox::clicked, this, [this, i] { seenClicked(i); });
        side->addWidget(seen_[size_t(i)], 0, i);
    }
    auto* scoreCaption = new QLabel(QStringLiteral("自 评 分"), page);
    auto* scoreBox = new QLineEdit(page);
    scoreBox->setObjectName(QStringLiteral("Text1_1"));
    PlainText::holdAnyLength(scoreBox);
    scoreBox->setMaximumWidth(48);
    scoreCaption->setBuddy(scoreBox);
    texts_[1] = scoreBox;
    // The upper arrow raises the score: the bar runs from -10 (score 10) to 0.
    spin_ = new QScrollBar(Qt::Vertical, page);
    spin_->setObjectName(QStringLiteral("VScroll1"));
    spin_->setRange(-10, 0);
    spin_->setValue(0);
    spin_->setPageStep(1);
    spin_->setFixedHeight(scoreBox->sizeHint().height());
    connect(spin_, &QScrollBar::valueChanged, this, &MovieEditor::spinChanged);
    stars_ = new StarRow(page);
    auto* scoreRow = new QHBoxLayout;
    scoreRow->addWidget(scoreCaption);
    scoreRow->addWidget(scoreBox);
    scoreRow->addWidget(spin_);
    scoreRow->addWidget(stars_);
    scoreRow->addStretch(1);
    side->addLayout(scoreRow, 1, 0, 1, 2);
    logo_ = new PictureLabel(page);
    logo_->setObjectName(QStringLiteral("Image1"));
    logo_->setMinimumSize(120, 48);
    side->addWidget(logo_, 2, 0, 1, 2);
    lower->addLayout(side, 3);
    outer->addLayout(lower);
    outer->addStretch(1);
    return page;
}

QWidget* MovieEditor::buildIntroPage()
{
    auto* page = new QWidget(this);
    page->setObjectName(QStringLiteral("Picture2"));
    auto* layout = new QVBoxLayout(page);
    auto* caption = new QLabel(QStringLiteral("影片的简介"), page);
    intro_ = new QPlainTextEdit(page);
    intro_->setObjectName(QStringLiteral("TextPS"));
    intro_->setTabChangesFocus(true);
    caption->setBuddy(intro_);
    layout->addWidget(caption);
    layout->addWidget(intro_, 1);
    return page;
}

QWidget* MovieEditor::buildPosterPage()
{
    auto* page = new QWidget(this);
    page->setObjectName(QStringLiteral("Picture3"));
    auto* layout = new QGridLayout(page);
    auto* browse = new QPushButton(QStringLiteral("浏 览"), page);
    browse->setObjectName(QStringLiteral("Command3"));
    connect(browse, &QPushButton::clicked, this, &MovieEditor::browsePoster);
    posterPath_ = new QLineEdit(page);
    posterPath_->setObjectName(QStringLiteral("Text2"));
    PlainText::holdAnyLength(posterPath_);
    posterPath_->setReadOnly(true);
    posterPreview_ = new PictureLabel(page);
    posterPreview_->setObjectName(QStringLiteral("Image2"));
    posterPreview_->setAlignment(Qt::AlignCenter);
    posterPreview_->setMinimumSize(120, 160);
    posterHint_ = new QLabel(
        QStringLiteral("添加海报图片至数据库。您可以选择您想添加的海报文件,它们将显示在列表中。"), page);
    posterHint_->setObjectName(QStringLiteral("Label5"));
    posterHint_->setWordWrap(true);
    layout->addWidget(posterPath_, 0, 0);
    layout->addWidget(browse, 0, 1);
    layout->addWidget(posterPreview_, 1, 0, 1, 2);
    layout->addWidget(posterHint_, 2, 0, 1, 2);
    layout->setRowStretch(1, 1);
    return page;
}

void MovieEditor::fillCompanyList()
{
    // The logos' file names are the companies; a name that could not be a logo is left out.
    const QDir compics(context_.folder.compicsDir());
    const QStringList files = compics.entryList(
        { QStringLiteral("*.jpg") }, QDir::Files | QDir::CaseSensitive | QDir::Readable, QDir::Name);
    for (const QString& file : files)
        company_->addItem(file.chopped(4));
    company_->setEditText(MovieForms::companyPlaceholder);
}

void MovieEditor::setMode(Mode mode)
{
    const ModeTexts& t = textsOf(mode);
    setWindowTitle(QString::fromUtf16(t.caption));
    confirm_->setText(QString::fromUtf16(t.confirm));
    hint_->setText(QString::fromUtf16(t.hint));
    texts_[0]->setReadOnly(mode == Mode::Edit);
    posterHint_->setVisible(mode != Mode::Move);
    tabs_->setEnabled(true);
    addFrom_->setEnabled(mode != Mode::Move);
    // In move mode only the disc number is written, so the other fields cannot be changed there.
    const bool moving = mode == Mode::Move;
    for (size_t i = 1; i < texts_.size(); ++i)
        if (texts_[i])
            texts_[i]->setReadOnly(moving);
    for (QComboBox* box : combos_)
        if (box)
            box->setEnabled(!moving);
    for (QCheckBox* box : genres_)
        box->setEnabled(!moving);
    for (QCheckBox* box : subtitles_)
        box->setEnabled(!moving);
    for (QCheckBox* box : seen_)
        box->setEnabled(!moving);
    company_->setEnabled(!moving);
    spin_->setEnabled(!moving);
    if (moving) {
        tabs_->setCurrentIndex(0);
        tabs_->tabBar()->setEnabled(false);
        texts_[0]->setFocus();
    } else {
        tabs_->tabBar()->setEnabled(true);
    }
}

void MovieEditor::setDiscNumber(const QString& number)
{
    texts_[0]->setText(number);
}

void MovieEditor::loadMovieIntoEditor(const MovieRow& row)
{
    const MovieForm f = MovieForms::fromRow(row);
    row_ = row;
    introLineEnd_ = MovieForms::lineEndOf(f.intro);
    texts_[9]->setText(f.name);
    texts_[0]->setText(f.discNumber);
    texts_[4]->setText(f.director);
    texts_[3]->setText(f.engName);
    combos_[0]->setEditText(f.year);
    combos_[3]->setEditText(f.audio);
    texts_[8]->setText(f.size);
    texts_[2]->setText(f.fileCount);
    combos_[1]->setEditText(f.format);
    texts_[6]->setText(f.length);
    combos_[6]->setEditText(f.definition);
    combos_[7]->setEditText(f.nation);
    texts_[5]->setText(f.cast);
    intro_->setPlainText(f.intro);
    company_->setEditText(f.company);
    texts_[1]->setText(f.score);
    showScore(TextRules::numericValue(f.score));
    seen_[0]->setChecked(f.seen == MovieForm::Seen::Yes);
    seen_[1]->setChecked(f.seen == MovieForm::Seen::No);
    pickCompany(f.company);
    for (size_t i = 0; i < genres_.size(); ++i)
        genres_[i]->setChecked(f.genres[i]);
    for (size_t i = 0; i < subtitles_.size(); ++i)
        subtitles_[i]->setChecked(f.subtitles[i]);
    const QString id = TextRules::trimBlanks(row[ListCol::ID]);
    if (DataFolder::isPlainFileName(id) && QFileInfo(context_.folder.posterFor(id)).isFile())
        posterPreview_->load(context_.folder.posterFor(id));
    shown_ = form();
}

void MovieEditor::showScore(double score)
{
    // The spin bar follows the shown score without writing it back into the score box.
    const int whole = int(std::clamp(std::round(score), 0.0, 10.0));
    const QSignalBlocker quiet(spin_);
    spin_->setValue(-whole);
    stars_->show(int(std::clamp(std::floor(score), 0.0, 10.0)), context_.folder.goldStar(),
        context_.folder.grayStar());
}

void MovieEditor::spinChanged(int value)
{
    if (value < -10 || value > 0)
        return;
    texts_[1]->setText(QString::number(-value));
    stars_->show(-value, context_.folder.goldStar(), context_.folder.grayStar());
}

void MovieEditor::setScore(int score)
{
    spin_->setValue(-score);
}

void MovieEditor::seenClicked(int index)
{
    // Exactly one of the two stays ticked once either was clicked.
    QCheckBox* other = seen_[size_t(1 - index)];
    other->setChecked(!seen_[size_t(index)]->isChecked());
}

void MovieEditor::pickCompany(const QString& name)
{
    if (company_->findText(name) < 0 || !DataFolder::isPlainFileName(name)
        || !logo_->load(context_.folder.logoFor(name)))
        logo_->clearPicture();
}

void MovieEditor::browsePoster()
{
    const QString chosen = context_.pickFile(this, QStringLiteral("选择文件 - ReelShelf Index"),
        context_.folder.path(), QStringLiteral("海报图片文件(*.jpg)"));
    // A picture that cannot be shown is refused at once; the one chosen before stays.
    if (!chosen.isEmpty() && !posterRefused(chosen))
        posterPath_->setText(chosen);
    showPosterPreview(posterPath_->text());
}

void MovieEditor::showPosterPreview(const QString& path)
{
    if (path.isEmpty() || !posterPreview_->load(path))
        posterPreview_->clearPicture();
}

void MovieEditor::chooseIntroText()
{
    const QString chosen = context_.pickFile(this, QStringLiteral("打开BT下载附带简介文件 - ReelShelf Index"),
        context_.folder.path(), QStringLiteral("BT附带简介文件(*.txt)"));
    if (!chosen.isEmpty())
        importIntroText(chosen);
}

void MovieEditor::importIntroText(const QString& path)
{
    const Intro::DescriptionFile file = Intro::readDescriptionFile(path);
    if (!file.ok()) {
        context_.prompt.warn(this, file.error);
        return;
    }
    const QString mode = context_.settings.text(Settings::mainSection(), QStringLiteral("MagicSelect4V"));
    if (Intro::editorRules().modeFor(mode) != Intro::Mode::Parse) {
        intro_->setPlainText(Intro::wholeText(file.lines));
        return;
    }
    applyIntro(file.lines);
}

void MovieEditor::applyIntro(const QStringList& lines)
{
    const Intro::IntroResult r = Intro::parseIntroText(lines, Intro::editorRules());
    const std::pair<MovieField, QLineEdit*> boxes[]
        = { { MovieField::MovieName, texts_[9] }, { MovieField::EngName, texts_[3] },
              { MovieField::FileNum, texts_[2] }, { MovieField::Lastfor, texts_[6] },
              { MovieField::Direct, texts_[4] }, { MovieField::Role, texts_[5] } };
    for (const auto& [field, box] : boxes)
        if (r.fields.contains(field))
            box->setText(r.fields.value(field));
    const std::pair<MovieField, QComboBox*> combos[] = { { MovieField::Year, combos_[0] },
        { MovieField::Nation, combos_[7] }, { MovieField::Audio, combos_[3] },
        { MovieField::Filetype, combos_[1] }, { MovieField::Company, company_ } };
    for (const auto& [field, box] : combos)
        if (r.fields.contains(field))
            box->setEditText(r.fields.value(field));
    if (r.fields.contains(MovieField::PS))
        intro_->setPlainText(r.fields.value(MovieField::PS));
    if (r.fields.contains(MovieField::Score)) {
        texts_[1]->setText(r.fields.value(MovieField::Score));
        showScore(r.score);
    }
    for (size_t i = 0; i < genres_.size(); ++i)
        if (r.genres[i])
            genres_[i]->setChecked(true);
    for (size_t i = 0; i < subtitles_.size(); ++i)
        if (r.subtitles[i])
            subtitles_[i]->setChecked(true);
}

void MovieEditor::readFromMovieFile()
{
    const std::optional<ProbeOutcome> read = pickAndReadFileFacts(context_, this);
    if (!read)
        return;
    if (!read->warning.isEmpty())
        context_.prompt.warn(this, read->warning);
    if (read->facts)
        applyFacts(*read->facts);
}

void MovieEditor::applyFacts(const MediaFacts& facts)
{
    // Only empty boxes take what the file says; nothing is stored until the user confirms.
    for (const auto& [field, value] : MediaFields::fromFacts({ facts })) {
        const QString text = TextRules::displayText(value);
        switch (field) {
        case MovieField::Lastfor:
            if (TextRules::trimBlanks(texts_[6]->text()).isEmpty())
                texts_[6]->setText(text);
            break;
        case MovieField::Definition:
            if (TextRules::trimBlanks(combos_[6]->currentText()).isEmpty())
                combos_[6]->setEditText(text);
            break;
        case MovieField::Audio:
            if (TextRules::trimBlanks(combos_[3]->currentText()).isEmpty())
                combos_[3]->setEditText(text);
            break;
        case MovieField::SubTitile: {
            const bool anyTicked = std::any_of(
                subtitles_.begin(), subtitles_.end(), [](const QCheckBox* box) { return box->isChecked(); });
            const auto marks = Captions::matchCaptions(text, Captions::subtitles());
            for (size_t i = 0; !anyTicked && i < subtitles_.size(); ++i)
                if (marks[i])
                    subtitles_[i]->setChecked(true);
            break;
        }
        default:
            break;
        }
    }
}

MovieForm MovieEditor::form() const
{
    MovieForm f;
    f.discNumber = texts_[0]->text();
    f.name = texts_[9]->text();
    f.year = combos_[0]->currentText();
    f.format = combos_[1]->currentText();
    f.audio = combos_[3]->currentText();
    f.definition = combos_[6]->currentText();
    f.size = texts_[8]->text();
    f.fileCount = texts_[2]->text();
    f.engName = texts_[3]->text();
    f.director = texts_[4]->text();
    f.cast = texts_[5]->text();
    f.company = company_->currentText();
    f.length = texts_[6]->text();
    // The text box knows only LF; a stored intro keeps its own line ends.
    f.intro = intro_->toPlainText();
    if (introLineEnd_ != u'\n')
        f.intro.replace(u'\n', introLineEnd_);
    f.nation = combos_[7]->currentText();
    f.score = texts_[1]->text();
    for (size_t i = 0; i < genres_.size(); ++i)
        f.genres[i] = genres_[i]->isChecked();
    for (size_t i = 0; i < subtitles_.size(); ++i)
        f.subtitles[i] = subtitles_[i]->isChecked();
    f.seen = seen_[0]->isChecked() ? MovieForm::Seen::Yes
        : seen_[1]->isChecked()    ? MovieForm::Seen::No
                                   : MovieForm::Seen::Unmarked;
    f.posterPath = posterPath_->text();
    return f;
}

bool MovieEditor::warnIf(const std::optional<QString>& problem)
{
    if (problem)
        context_.prompt.warn(this, *problem);
    return problem.has_value();
}

bool MovieEditor::posterRefused(const QString& path)
{
    return !path.isEmpty() && warnIf(Pictures::problemWith(path));
}

void MovieEditor::confirm()
{
    // The caption tells the mode, as each command left it.
    const QString caption = windowTitle();
    if (caption == captionFor(Mode::Add))
        confirmAdd();
    else if (caption == captionFor(Mode::Edit))
        confirmEdit();
    else if (caption == captionFor(Mode::Move))
        confirmMove();
}

void MovieEditor::confirmAdd()
{
    const MovieForm f = form();
    if (warnIf(MovieForms::problemWith(f)) || posterRefused(f.posterPath))
        return;
    Catalogue catalogue(context_.folder.catalogueFile());
    QString error;
    const std::optional<bool> exists = MovieSaving::discExists(catalogue, f.discNumber, &error);
    if (!exists) {
        context_.prompt.warn(this, error);
        return;
    }
    if (!*exists) {
        context_.prompt.warn(this, MovieForms::noSuchDiscMessage);
        return;
    }
    finish(MovieSaving::saveNewMovie(catalogue, context_.folder, f));
}

void MovieEditor::confirmEdit()
{
    const MovieForm f = form();
    if (!row_ || warnIf(MovieForms::problemWith(f)) || posterRefused(f.posterPath))
        return;
    Catalogue catalogue(context_.folder.catalogueFile());
    finish(MovieSaving::saveEditedMovie(catalogue, context_.folder, *row_, shown_, f));
}

void MovieEditor::confirmMove()
{
    const QString number = texts_[0]->text();
    if (!row_ || warnIf(MovieForms::moveProblem(number)))
        return;
    Catalogue catalogue(context_.folder.catalogueFile());
    QString error;
    const std::optional<bool> exists = MovieSaving::discExists(catalogue, number, &error);
    if (!exists) {
        context_.prompt.warn(this, error);
        return;
    }
    if (!*exists) {
        context_.prompt.warn(this, MovieForms::noSuchDiscMessage);
        return;
    }
    const MovieSaving::Outcome moved = MovieSaving::moveMovie(catalogue, *row_, number);
    if (!moved.saved && moved.error.isEmpty()) {
        reject(); // already on that disc: nothing to change
        return;
    }
    finish(moved);
}

void MovieEditor::finish(const MovieSaving::Outcome& outcome)
{
    if (!outcome.saved) {
        // Nothing was written; the dialog stays with what the user typed.
        context_.prompt.warn(this, outcome.error);
        return;
    }
    outcome_ = outcome;
    if (!outcome.warning.isEmpty())
        context_.prompt.warn(this, outcome.warning);
    accept();
}
