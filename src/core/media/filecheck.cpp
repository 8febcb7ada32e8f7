#include "filecheck.h"

#include "store/readonlyfile.h"

#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>
#include <xxhash.h>
#ifdef REELSHELF_XXH3_DISPATCH
// The same hash from the library's code for the widest vector unit found at run time (AVX2,
// AVX-512): its plain functions run SSE2 code, slow enough to hold up a read from the page cache.
#include <xxh_x86dispatch.h>
#endif

namespace FileCheck {

namespace {

// Large pieces let a drive stream; after a read error the bad part is stepped over in small ones.
constexpr qint64 pieceBytes = 1024 * 1024;
constexpr qint64 stepBytes = 64 * 1024;

struct StateDeleter
{
    void operator()(XXH3_state_t* s) const { XXH3_freeState(s); }
};

QByteArray hexOf(XXH128_hash_t hash)
{
    XXH128_canonical_t canonical;
    XXH128_canonicalFromHash(&canonical, hash);
    return QByteArray(reinterpret_cast<const char*>(canonical.digest), sizeof canonical.digest).toHex();
}

// Reads `length` bytes at `at`, all of them or fails; EINTR and short reads are tried again.
ssize_t readFully(int fd, char* into, qint64 length, qint64 at)
{
    qint64 done = 0;
    while (done < length) {
        const ssize_t got = ::pread(fd, into + done, size_t(length - done), off_t(at + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return -1;
        if (got == 0)
            break;
        done += got;
    }
    return ssize_t(done);
}

} // namespace

QByteArray hashOf(const QByteArray& bytes)
{
    return hexOf(XXH3_128bits(bytes.constData(), size_t(bytes.size())));
}

Outcome check(const QByteArray& rawPath, qint64 rememberedSize, const QByteArray& knownHash,
    const std::atomic<bool>* stop, const std::function<void(qint64 bytes)>& progress)
{
    Outcome out;
    const ReadOnlyFile file(rawPath);
    struct stat st
    {
    };
    if (file.fd() < 0 || ::fstat(file.fd(), &st) != 0) {
        out.error = errno;
        out.status = errno == ENOENT || errno == ENOTDIR ? Outcome::Missing : Outcome::Unreadable;
        if (out.status == Outcome::Unreadable)
            out.offset = 0;
        return out;
    }
    if (!S_ISREG(st.st_mode) || qint64(st.st_size) != rememberedSize) {
        out.status = Outcome::Changed;
        return out;
    }
    ::posix_fadvise(file.fd(), 0, 0, POSIX_FADV_SEQUENTIAL);
    const std::unique_ptr<XXH3_state_t, StateDeleter> state(XXH3_createState());
    XXH3_128bits_reset(state.get());
    std::vector<char> buffer(static_cast<size_t>(pieceBytes));
    qint64 at = 0;
    bool whole = true;
    while (at < rememberedSize) {
        if (stop && stop->load()) {
            out.status = Outcome::Stopped;
            return out;
        }
        // Inside a bad part the steps are small, so the check comes out of it soon after it ends.
        const qint64 length = std::min(whole ? pieceBytes : stepBytes, rememberedSize - at);
        const ssize_t got = readFully(file.fd(), buffer.data(), length, at);
        if (got < 0) {
            if (whole && length > stepBytes) {
                // Find the bad part within the piece: read it again in small steps.
                whole = false;
                continue;
            }
            if (out.offset < 0) {
                out.offset = at;
                out.error = errno;
            }
            whole = false;
            at += length;
            if (progress)
                progress(length);
            continue;
        }
        whole = true;
        if (got < length) {
            // The file ended early: it is not the file remembered.
            out.status = Outcome::Changed;
            return out;
        }
        if (out.offset < 0)
            XXH3_128bits_update(state.get(), buffer.data(), size_t(got));
        out.bytesRead += got;
        at += got;
        if (progress)
            progress(got);
    }
    if (out.offset >= 0) {
        out.status = Outcome::Unreadable;
        return out;
    }
    out.hash = hexOf(XXH3_128bits_digest(state.get()));
    out.status = !knownHash.isEmpty() && knownHash != out.hash ? Outcome::Changed : Outcome::Ok;
    return out;
}

} // namespace FileCheck
