// Replays every committed input of every fuzz target: the seeds, and each input a fuzz run ever
// found a fault with, so that the mend of that fault is checked at every build.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdint>
#include <gtest/gtest.h>

#define REELSHELF_FUZZ_TARGETS(X)                                                                            \
    X(wildcard) X(intro) X(names) X(inifile) X(mdb) X(mdbwire) X(catalogue) X(workbook)

#define REELSHELF_DECLARE(name) int reelshelfFuzz_##name(const std::uint8_t* data, std::size_t size);
REELSHELF_FUZZ_TARGETS(REELSHELF_DECLARE)

namespace {

using Target = int (*)(const std::uint8_t*, std::size_t);

// Runs `target` on each file of its corpus; a broken property or a crash ends the test program,
// after the name of the file it met it with (ctest shows the output of a failed test only).
void replay(const char* name, Target target)
{
    // REELSHELF_FUZZ_CORPUS_DIR replays a fuzz run's own corpus instead (tools/fuzz.sh keeps it in
    // build-fuzz/corpus), to check its inputs against this build's time bounds.
    const QString top = qEnvironmentVariableIsSet("REELSHELF_FUZZ_CORPUS_DIR")
        ? qEnvironmentVariable("REELSHELF_FUZZ_CORPUS_DIR")
        : QStringLiteral(REELSHELF_FUZZ_CORPUS);
    const QDir corpus(top + u'/' + QLatin1String(name));
    const QFileInfoList inputs = corpus.entryInfoList(QDir::Files, QDir::Name);
    ASSERT_FALSE(inputs.isEmpty()) << "no corpus in " << corpus.path().toStdString();
    for (const QFileInfo& input : inputs) {
        QFile file(input.filePath());
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << input.filePath().toStdString();
        const QByteArray bytes = file.readAll();
        std::fprintf(stderr, "%s\n", qPrintable(input.filePath()));
        EXPECT_EQ(
            target(reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size())), 0)
            << input.filePath().toStdString();
    }
}

} // namespace

#define REELSHELF_REPLAY(name)                                                                               \
    TEST(FuzzCorpus, name)                                                                                   \
    {                                                                                                        \
        replay(#name, reelshelfFuzz_##name);                                                                 \
    }
REELSHELF_FUZZ_TARGETS(REELSHELF_REPLAY)
