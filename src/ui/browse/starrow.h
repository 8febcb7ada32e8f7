#pragma once

#include <QWidget>
#include <array>

class SharpLabel;

// Ten star pictures showing a score from 0 to 10: lit stars first, unlit ones after.
class StarRow : public QWidget
{
    Q_OBJECT
public:
    explicit StarRow(QWidget* parent = nullptr);

    // A score outside 0 to 10 shows as the nearest end; the stars exist only for that range. A
    // star's twice-sized copy beside it (goldstar@2x.gif) serves screens scaled by two.
    void show(int lit, const QString& goldStar, const QString& grayStar);
    int lit() const { return lit_; }

private:
    std::array<SharpLabel*, 10> stars_ {};
    int lit_ = 0;
};
