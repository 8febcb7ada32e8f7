#include "mediainforeader.h"

#include "store/readonlyfile.h"

#include <MediaInfo/MediaInfo.h>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace MediaInfoLib;

namespace {

constexpr size_t chunkBytes = 64 * 1024;

QString textOf(MediaInfo& info, stream_t kind, size_t number, const wchar_t* parameter)
{
    return QString::fromStdWString(info.Get(kind, number, parameter)).trimmed();
}

double numberOf(MediaInfo& info, stream_t kind, size_t number, const wchar_t* parameter)
{
    bool ok = false;
    const double value = textOf(info, kind, number, parameter).toDouble(&ok);
    return ok && value > 0 ? value : 0;
}

MediaFacts factsOf(MediaInfo& info)
{
    MediaFacts f;
    f.container = textOf(info, Stream_General, 0, L"Format");
    // MediaInfo gives durations in milliseconds.
    f.durationSeconds = numberOf(info, Stream_General, 0, L"Duration") / 1000.0;
    if (info.Count_Get(Stream_Video) > 0) {
        f.videoCodec = textOf(info, Stream_Video, 0, L"Format");
        f.width = int(numberOf(info, Stream_Video, 0, L"Width"));
        f.height = int(numberOf(info, Stream_Video, 0, L"Height"));
        f.frameRate = numberOf(info, Stream_Video, 0, L"FrameRate");
        if (f.durationSeconds <= 0)
            f.durationSeconds = numberOf(info, Stream_Video, 0, L"Duration") / 1000.0;
    }
    for (size_t i = 0; i < info.Count_Get(Stream_Audio); ++i)
        f.audio.append({ textOf(info, Stream_Audio, i, L"Format"),
            int(numberOf(info, Stream_Audio, i, L"Channels")), textOf(info, Stream_Audio, i, L"Language") });
    for (size_t i = 0; i < info.Count_Get(Stream_Text); ++i)
        f.subtitles.append({ textOf(info, Stream_Text, i, L"Format"),
            textOf(info, Stream_Text, i, L"Language"), false, {} });
    f.truncated = textOf(info, Stream_General, 0, L"IsTruncated") == QStringLiteral("Yes");
    return f;
}

} // namespace

MediaRead readMediaFacts(const QByteArray& rawPath)
{
    MediaRead out;
    const ReadOnlyFile file(rawPath);
    struct stat st
    {
    };
    if (file.fd() < 0 || ::fstat(file.fd(), &st) != 0) {
        out.problem = MediaRead::Problem::Open;
        out.error = errno;
        return out;
    }
    if (!S_ISREG(st.st_mode)) {
        out.problem = MediaRead::Problem::NotPlain;
        return out;
    }
    MediaInfo info;
    // Headers only: the facts we keep are all there, and a whole-file parse reads gigabytes.
    info.Option(L"ParseSpeed", L"0");
    const auto size = static_cast<ZenLib::int64u>(st.st_size);
    info.Open_Buffer_Init(size, 0);
    std::vector<ZenLib::int8u> buffer(chunkBytes);
    off_t at = 0;
    for (;;) {
        const ssize_t got = ::pread(file.fd(), buffer.data(), buffer.size(), at);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            out.problem = MediaRead::Problem::Read;
            out.error = errno;
            return out;
        }
        if (got == 0)
            break;
        at += got;
        const size_t status = info.Open_Buffer_Continue(buffer.data(), size_t(got));
        if (status & 0x08) // finalised: MediaInfo needs nothing more
            break;
        const ZenLib::int64u wanted = info.Open_Buffer_Continue_GoTo_Get();
        if (wanted != ZenLib::int64u(-1)) {
            if (wanted >= size)
                break;
            at = off_t(wanted);
            info.Open_Buffer_Init(size, wanted);
        }
    }
    info.Open_Buffer_Finalize();
    MediaFacts facts = factsOf(info);
    if (facts.container.isEmpty()) {
        out.problem = MediaRead::Problem::Unknown;
        return out;
    }
    out.facts = facts;
    return out;
}
