#pragma once

#include "browse/movielisting.h"
#include "movies/moviesaving.h"

#include <QDialog>
#include <array>
#include <optional>

class PictureLabel;
struct MediaFacts;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QScrollBar;
class QTabWidget;
class StarRow;
struct AppContext;

// The movie editor: one dialog for adding a movie, changing it and moving it to another disc.
// Which of the three it does is told by its caption when the user confirms.
class MovieEditor : public QDialog
{
    Q_OBJECT
public:
    enum class Mode { Add, Edit, Move };

    static QString captionFor(Mode mode);

    explicit MovieEditor(AppContext& context, QWidget* parent = nullptr);

    // Caption, hint, confirm button and locks of a mode.
    void setMode(Mode mode);
    // Fills the controls from a list row, for an edit or a move.
    void loadMovieIntoEditor(const MovieRow& row);
    void setDiscNumber(const QString& number);

    // What the controls hold now.
    MovieForm form() const;
    // The outcome of the last confirm that wrote something.
    const std::optional<MovieSaving::Outcome>& outcome() const { return outcome_; }

    // The buttons and commands, callable without clicking.
    void confirm();
    void browsePoster();
    void importIntroText(const QString& path);
    void chooseIntroText();
    // 信息源 → 从文件读取...: a movie file's facts fill the boxes that are empty.
    void readFromMovieFile();
    void applyFacts(const MediaFacts& facts);
    void pickCompany(const QString& name);
    void setScore(int score);

private:
    QWidget* buildDetailsPage();
    QWidget* buildIntroPage();
    QWidget* buildPosterPage();
    void fillCompanyList();
    void seenClicked(int index);
    void spinChanged(int value);
    void showScore(double score);
    void showPosterPreview(const QString& path);
    void applyIntro(const QStringList& lines);
    void confirmAdd();
    void confirmEdit();
    void confirmMove();
    void finish(const MovieSaving::Outcome& outcome);
    bool warnIf(const std::optional<QString>& problem);
    bool posterRefused(const QString& path);

    AppContext& context_;
    std::optional<MovieRow> row_; // the row an edit or a move works on
    MovieForm shown_; // the controls as the row filled them
    QString introLineEnd_ = QStringLiteral("\n"); // the line end of the intro as it was stored
    std::optional<MovieSaving::Outcome> outcome_;

    QLabel* hint_ = nullptr;
    QTabWidget* tabs_ = nullptr;
    QMenu* addFrom_ = nullptr;
    QPushButton* confirm_ = nullptr;
    QPushButton* cancel_ = nullptr;
    std::array<QLineEdit*, 10> texts_ {}; // Text1 0 to 9; there is no index 7
    std::array<QComboBox*, 8> combos_ {}; // Combo1 0, 1, 3, 6 and 7
    std::array<QCheckBox*, 18> genres_ {};
    std::array<QCheckBox*, 8> subtitles_ {};
    std::array<QCheckBox*, 2> seen_ {};
    QComboBox* company_ = nullptr;
    PictureLabel* logo_ = nullptr;
    QScrollBar* spin_ = nullptr;
    StarRow* stars_ = nullptr;
    QPlainTextEdit* intro_ = nullptr;
    QLineEdit* posterPath_ = nullptr;
    PictureLabel* posterPreview_ = nullptr;
    QLabel* posterHint_ = nullptr;
};
