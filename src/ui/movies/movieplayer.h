#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class MediumBar;
class QDialog;
class QWidget;
struct AppContext;

// "播放": opens a movie's file, or the playlist of its parts, with the desktop's player once its
// disc is mounted and recognised. Without the disc it asks for it and plays when it comes.
class MoviePlayer : public QObject
{
    Q_OBJECT
public:
    MoviePlayer(AppContext& context, MediumBar* media, QWidget* window);

    // The movie by its ID as the list shows it, and the disc number it names.
    void play(const QString& movieId, const QString& discNumber);
    // The window that waits for the disc, while it is shown.
    QDialog* waiting() const { return waiting_; }

signals:
    void opened(const QString& movieId);

private:
    void waitForDisc(const QString& movieId, const QString& discNumber, const QString& label);
    void openFrom(const QString& root, const QString& movieId);

    AppContext& context_;
    MediumBar* media_;
    QWidget* window_;
    QPointer<QDialog> waiting_;
};
