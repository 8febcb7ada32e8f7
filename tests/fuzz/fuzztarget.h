#pragma once

#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>

// Every target is built twice: as a libFuzzer program (tools/fuzz.sh), and into the ordinary test
// suite, which replays each file of the target's corpus so that what a run once found stays mended.
#ifdef REELSHELF_LIBFUZZER
#define REELSHELF_FUZZ_TARGET(name)                                                                          \
    extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
#else
#define REELSHELF_FUZZ_TARGET(name) int reelshelfFuzz_##name(const std::uint8_t* data, std::size_t size)
#endif

// A property a target checks; a broken one is a finding like a crash, so the run stops on it.
#define FUZZ_REQUIRE(condition)                                                                              \
    do {                                                                                                     \
        if (!(condition))                                                                                    \
            FuzzSupport::fail(#condition, __FILE__, __LINE__);                                               \
    } while (false)

namespace FuzzSupport {

[[noreturn]] inline void fail(const char* what, const char* file, int line)
{
    std::fprintf(stderr, "fuzz property broken: %s (%s:%d)\n", what, file, line);
    std::abort();
}

// Time bounds are the normal build's; the sanitizers and the coverage counters of a fuzz build make
// the same work up to ten times slower, so there a bound is stretched by this much.
#ifdef REELSHELF_LIBFUZZER
constexpr qint64 instrumentedSlowdown = 10;
#else
constexpr qint64 instrumentedSlowdown = 1;
#endif

// Processor time of this thread: a slow call is told from a busy machine.
inline qint64 threadNanoseconds()
{
    timespec ts {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

// Reads an input as a few pieces: lengths and choices from its front, text from the rest.
class Input
{
public:
    Input(const std::uint8_t* data, std::size_t size)
        : data_(reinterpret_cast<const char*>(data))
        , size_(size)
    {
    }

    bool atEnd() const { return pos_ >= size_; }
    std::size_t left() const { return size_ - pos_; }

    // One byte, 0 once the input is used up.
    std::uint8_t byte() { return atEnd() ? 0 : std::uint8_t(data_[pos_++]); }
    std::uint16_t word()
    {
        const std::uint16_t low = byte();
        return std::uint16_t(low | (std::uint16_t(byte()) << 8));
    }
    // The bytes up to the next `separator` (which is passed over), or to the end.
    QByteArray until(char separator)
    {
        std::size_t end = pos_;
        while (end < size_ && data_[end] != separator)
            ++end;
        const QByteArray piece(data_ + pos_, qsizetype(end - pos_));
        pos_ = end < size_ ? end + 1 : end;
        return piece;
    }
    // Whatever is left.
    QByteArray rest()
    {
        const QByteArray piece(data_ + pos_, qsizetype(size_ - pos_));
        pos_ = size_;
        return piece;
    }

private:
    const char* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

} // namespace FuzzSupport
