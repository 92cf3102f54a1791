// Feeds every file of the fuzzing corpora to the fuzz entry points, so that a
// build without libFuzzer still checks each saved input.
// Usage: cfg_fuzz_replay <target> <dir> [<target> <dir> ...]
#include "CfgFuzzTargets.h"

#include <QDir>
#include <QFile>

#include <cstdio>
#include <map>
#include <string>

int main(int argc, char **argv)
{
    const std::map<std::string, int (*)(const std::uint8_t *, std::size_t)> targets{
        {"cfg-reader", &FuzzCfgReader}, {"key-string", &FuzzCheckKeyString}};
    if (argc < 3 || argc % 2 == 0) {
        std::fprintf(stderr, "usage: %s <target> <dir> [<target> <dir> ...]\n", argv[0]);
        return 2;
    }
    for (int arg = 1; arg + 1 < argc; arg += 2) {
        const auto target = targets.find(argv[arg]);
        if (target == targets.end()) {
            std::fprintf(stderr, "unknown target %s\n", argv[arg]);
            return 2;
        }
        const QDir dir(QFile::decodeName(argv[arg + 1]));
        const QStringList names = dir.entryList(QDir::Files, QDir::Name);
        if (names.isEmpty()) {
            std::fprintf(stderr, "no inputs in %s\n", argv[arg + 1]);
            return 1;
        }
        for (const QString &name : names) {
            QFile file(dir.filePath(name));
            if (!file.open(QIODevice::ReadOnly)) {
                std::fprintf(stderr, "cannot read %s\n", qPrintable(file.fileName()));
                return 1;
            }
            const QByteArray input = file.readAll();
            target->second(reinterpret_cast<const std::uint8_t *>(input.constData()),
                           static_cast<std::size_t>(input.size()));
        }
        std::printf("%s: %lld inputs replayed\n", argv[arg], static_cast<long long>(names.size()));
    }
    return 0;
}
