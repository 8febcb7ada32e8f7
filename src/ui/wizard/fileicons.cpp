#include "fileicons.h"

#include "app/sharppicture.h"

FileIcons::FileIcons()
    : icons_ { SharpPicture::icon(QStringLiteral(":/icons/files/realmedia.png")),
        SharpPicture::icon(QStringLiteral(":/icons/files/video.png")),
        SharpPicture::icon(QStringLiteral(":/icons/files/other.png")) }
{
}

const QIcon& FileIcons::forKind(int kind) const
{
    return icons_[size_t(kind >= RealMedia && kind <= Other ? kind - 1 : Other - 1)];
}
