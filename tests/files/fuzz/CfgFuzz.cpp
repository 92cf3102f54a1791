// Fuzz targets for the .cfg reader and for the output-string check behind it:
// each feeds one input to the real code and aborts when a property that must
// hold for every input does not. script/fuzz links them with libFuzzer's
// driver; every other build links the main below, which replays saved inputs.
#include "FakeWaiter.h"
#include "RecordingPrompter.h"
#include "ScriptedFileDialogs.h"
#include "core/SettingsFile.h"
#include "files/CfgFormat.h"
#include "files/CfgReader.h"
#include "keys/KeyStringNotation.h"
#include "ui/CfgFileCommands.h"
#include "ui/model/KeyStringChecker.h"
#include "ui/model/MainModel.h"

#include <QBuffer>
#include <QFile>

namespace {

void require(bool holds, const char *property)
{
    if (!holds)
        qFatal("property violated: %s", property);
}

// Rows as Open leaves them after reading bytes, the notation check connected.
struct Opened
{
    MainModel model;
    const KeyRows &rows = model.rows();
    RecordingPrompter prompter;
    KeyStringChecker checker{model.rows(), prompter};
    ScriptedFileDialogs dialogs;
    FakeWaiter waiter;
    const SettingsFile settings{QString()}; // never used: no dialog opens
    CfgFileCommands commands{model, prompter, dialogs, waiter, settings};

    Opened(QByteArray bytes, const CfgReadLimits &limits)
    {
        commands.setReadLimits(limits);
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        commands.readRecords(buffer, bytes.size());
    }
};

// What a row holds passed the check: valid notation, with a length label and
// an encoding that agree with it.
void requireChecked(const KeyRows &rows, int i)
{
    const KeyStringScan scan = ScanKeyString(rows.keyString(i));
    require(scan.outcome == KeyStringScan::Outcome::Ok &&
                rows.lengthCaption(i) == QString::number(scan.units) &&
                EncodeKeyString(rows.keyString(i)).size() == scan.units,
            "a row holds checked notation");
}

} // namespace

// The entry points; each target's build names its own as FUZZ_ENTRY.
void fuzzCfgReader(const QByteArray &input)
{
    // Small bounds, so that short inputs reach the over-long line and the
    // endless input paths too.
    const Opened first(input, {200, 4000});
    // The command line reads the same rows from the same bytes; it refuses
    // what the window reports, a key no device knows, and a line the window
    // passes over that is no row; every row a record names is one the window
    // changed.
    QByteArray bytes = input;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    const CfgFileRows file = readCfgRows(buffer, bytes.size(), {200, 4000});
    require(
        file.problems.isEmpty() || !first.prompter.prompts.isEmpty() ||
            std::any_of(file.problems.begin(), file.problems.end(),
                        [](const QString &p) {
                            return p.contains(QLatin1String("unknown key name")) ||
                                   p.contains(QLatin1String("not a row"));
                        }),
        "the command line refuses only what the window reports, an unknown key, or a line that is no row");
    for (int i = 0; i < RowCount && file.problems.isEmpty(); ++i) {
        if (file.named.test(std::size_t(i)))
            require(file.rows[std::size_t(i)] == first.rows.keyOverride(i), "both read the same rows");
    }
    // Whatever was loaded saves to a file that loads back silently with the
    // same rows; only spaces at the end of a line, the description's, are
    // lost to the reader's trimming.
    const Opened second(CfgFileBytes(first.rows.overrides(), "fuzz"), {4096, 1 << 20});
    require(second.prompter.prompts.isEmpty(), "a saved file loads silently");
    for (int i = 0; i < RowCount; ++i) {
        requireChecked(first.rows, i);
        QByteArray description = first.rows.description(i);
        while (description.endsWith(' '))
            description.chop(1);
        require(second.rows.keyName(i) == first.rows.keyName(i) &&
                    second.rows.keyString(i) == first.rows.keyString(i) &&
                    second.rows.description(i) == description,
                "a saved row loads back");
    }
}

void fuzzKeyString(const QByteArray &text)
{
    KeyRows rows;
    RecordingPrompter prompter;
    KeyStringChecker checker(rows, prompter);
    rows.setKeyString(3, text);
    // The row ends with a valid prefix of what was put in, and the operator
    // was told exactly when it had to be cut: once, or twice when cutting
    // back a bad group still leaves more than six units.
    const QByteArray kept = rows.keyString(3);
    requireChecked(rows, 3);
    require(text.startsWith(kept), "what is kept is a prefix of the input");
    const qsizetype told = prompter.prompts.size();
    require(kept == text ? told == 0 : (told == 1 || told == 2), "every cut is reported");
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FUZZ_ENTRY(QByteArray(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size)));
    return 0;
}

#ifndef KORVEX_LIBFUZZER
// Replays the inputs named on the command line, so that every build checks the
// saved corpus.
int main(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        QFile file(QFile::decodeName(argv[i]));
        require(file.open(QIODevice::ReadOnly), "a saved input can be read");
        FUZZ_ENTRY(file.readAll());
    }
    return argc > 1 ? 0 : 1;
}
#endif
