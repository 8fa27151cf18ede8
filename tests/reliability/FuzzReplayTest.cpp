// Replays every kept fuzz input (fuzz/corpus/<target> and fuzz/regressions/<target>) through the
// fuzz entry functions: the corpus keeps the inputs that reach the interesting paths, the
// regressions every input that once found a fault. An input that breaks an invariant, throws or
// crashes fails the run.
#include "../../fuzz/targets/FuzzTargets.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>

#include <ostream>

namespace so::fuzz {

void PrintTo(const Target& target, std::ostream* os) { *os << target.name; }

namespace {

const QString kFuzzFolder = QStringLiteral(STATUSOBJECT_SOURCE_DIR "/fuzz");

QStringList keptInputs(const QString& target) {
    QStringList files;
    for (const char* kind : {"corpus", "regressions"}) {
        QDirIterator it(kFuzzFolder + QLatin1Char('/') + QLatin1String(kind) + QLatin1Char('/') + target, QDir::Files);
        while (it.hasNext())
            files << it.next();
    }
    files.sort();
    return files;
}

class FuzzReplay : public ::testing::TestWithParam<Target> {};

TEST_P(FuzzReplay, EveryKeptInputHoldsTheInvariants) {
    const Target& target = GetParam();
    const QStringList files = keptInputs(QString::fromLatin1(target.name));
    ASSERT_FALSE(files.isEmpty()) << "no corpus for " << target.name;
    for (const QString& path : files) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
        const QByteArray bytes = file.readAll();
        try {
            target.run(reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size()));
        } catch (const std::exception& e) {
            ADD_FAILURE() << path.toStdString() << ": " << e.what();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzReplay, ::testing::ValuesIn(targets()),
                         [](const ::testing::TestParamInfo<Target>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace so::fuzz
