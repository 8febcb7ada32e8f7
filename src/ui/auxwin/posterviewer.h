#pragma once

#include <QDialog>

class QLabel;

// Shows a poster larger than the detail pane can: at its own size when it fits the viewer's
// area, otherwise stretched to fill that area.
class PosterViewer : public QDialog
{
    Q_OBJECT
public:
    // A picture that is missing or unreadable shows the default poster at its own size instead.
    PosterViewer(const QString& picturePath, const QString& defaultPoster, QWidget* parent = nullptr);

    // The viewer's inner area as designed, in pixels (7875 x 11655 twips).
    static QSize innerArea() { return { 525, 777 }; }
    bool isStretched() const { return stretched_; }

private:
    void shrinkToRoom();

    QLabel* image_;
    bool stretched_ = false;
};
