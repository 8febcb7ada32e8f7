#pragma once

#include <QIcon>
#include <array>

// The small icons of the wizard's lists, by the kind of movie file a candidate row names. Loaded
// once and shared by every row, however long the lists grow.
class FileIcons
{
public:
    enum Kind { RealMedia = 1, Video = 2, Other = 3 };

    FileIcons();
    // Any kind outside the three shows as Other.
    const QIcon& forKind(int kind) const;

private:
    std::array<QIcon, 3> icons_;
};
