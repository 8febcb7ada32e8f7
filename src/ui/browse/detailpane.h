#pragma once

#include "browse/moviedetails.h"

#include <QLabel>
#include <QTabWidget>
#include <array>

class QCheckBox;
class MovieFilesPage;
class StarRow;
class QLineEdit;
class QPlainTextEdit;

// A picture label that reports clicks: the poster opens the poster viewer.
class ClickableLabel : public QLabel
{
    Q_OBJECT
public:
    using QLabel::QLabel;
signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    // With the focus (Tab), Space or Enter does what a click does, and a frame shows where it is.
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};

// A picture that scales to its label with its proportions kept.
class PictureLabel : public ClickableLabel
{
    Q_OBJECT
public:
    using ClickableLabel::ClickableLabel;
    // Loads a file; false (and an empty picture) when it cannot be read.
    bool load(const QString& path);
    void clearPicture();
    QString loadedPath() const { return path_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void rescale();
    QPixmap original_;
    QString path_;
};

// The tabbed detail pane: basic information, the summary and the poster of one movie.
class DetailPane : public QTabWidget
{
    Q_OBJECT
public:
    explicit DetailPane(QWidget* parent = nullptr);

    // The height that shows the fields page without scrolling; the list takes the rest.
    int naturalHeight() const;

    // Fills every control from the details of one list row.
    void showMovie(const MovieDetails& details, const QString& goldStar, const QString& grayStar);
    // What a new listing leaves: empty boxes and summary, unchecked boxes, the default poster,
    // which is then also the poster path. The stars and the logo stay as they were.
    void reset(const QString& defaultPoster);
    void uncheckGenresAndSubtitles();
    void clearSummary();
    void showStars(int lit, const QString& goldStar, const QString& grayStar);
    MovieFilesPage* filesPage() const { return filesPage_; }

    QString posterPath() const { return posterPath_; }

signals:
    void posterClicked();

private:
    QWidget* buildDetailsPage();
    QWidget* buildSummaryPage();
    QWidget* buildPosterPage();
    void showPoster(const QString& path);

    std::array<QLineEdit*, Details::TextBoxCount> boxes_ {};
    std::array<QCheckBox*, 18> genres_ {};
    std::array<QCheckBox*, 8> subtitles_ {};
    StarRow* stars_ = nullptr;
    QCheckBox* seen_ = nullptr;
    QWidget* detailsPage_ = nullptr;
    PictureLabel* thumbnail_ = nullptr; // the poster, small, beside the fields
    MovieFilesPage* filesPage_ = nullptr;
    PictureLabel* logo_ = nullptr;
    PictureLabel* poster_ = nullptr;
    QPlainTextEdit* summary_ = nullptr;
    QString posterPath_;
};
