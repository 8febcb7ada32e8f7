#pragma once

#include <QIcon>
#include <QLabel>

// The program's own pictures, sharp on screens scaled by two: each comes with its copy drawn at
// twice the size (NAME@2x.EXT) when one lies beside it.
namespace SharpPicture {

// The picture at `path` (its first frame, as a plain picture reads it) together with its
// twice-sized copy. QIcon looks for that copy only while some screen is scaled at load time; this
// one takes it always, so a scaled screen attached later still gets it. Null when `path` is no
// readable picture: the copy alone never stands in for it.
QIcon icon(const QString& path);

} // namespace SharpPicture

// A label showing a picture at the picture's own size, from the twice-sized copy on a screen
// scaled by two. It picks again when its window moves to another screen.
class SharpLabel : public QLabel
{
    Q_OBJECT
public:
    explicit SharpLabel(QWidget* parent = nullptr);

    void setPicture(const QIcon& picture);
    QIcon picture() const { return picture_; }

protected:
    bool event(QEvent* event) override;

private:
    void showPicture();
    QIcon picture_;
};
