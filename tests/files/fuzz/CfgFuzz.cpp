// Fuzz targets for the .cfg reader and for the output-string check behind it:
// each feeds one input to the real code and aborts when a property that must
// hold for every input does not. script/fuzz links them with libFuzzer's
// driver; every other build links the main below, which replays saved inputs.
#include "core/MainModel.h"
#include "core/SettingsFile.h"
#include "files/CfgFileCommands.h"
#include "files/CfgFormat.h"
#include "ScriptedFileDialogs.h"
#include "keys/KeyStringChecker.h"
#include "keys/KeyStringNotation.h"
#include "FakeWaiter.h"
#include "RecordingPrompter.h"

#include <QBuffer>
#include <QFile>

namespace {

void require(bool holds, const char *property)
{
    if (!holds)
        qFatal("property violated: %s", property);
}

// What a row holds passed the check: valid notation, with a length label and
// an encoding that agree with it.
void requireCheckedText(const KeyRows &rows, int i)
{
    const KeyStringScan scan = ScanKeyString(rows.keyString(i));
    require(scan.outcome == KeyStringScan::Outcome::Ok &&
                rows.lengthCaption(i) == QString::number(scan.units) &&
                EncodeKeyString(rows.keyString(i)).size() == scan.units,
            "a row holds checked notation");
}

// A window's worth of model and commands, with the notation check connected.
struct Screen
{
    MainModel model;
    RecordingPrompter prompter;
    KeyStringChecker checker{model.rows(), prompter};
    ScriptedFileDialogs dialogs;
    FakeWaiter waiter;
    const SettingsFile settings{QString()}; // never used: no dialog opens
    CfgFileCommands commands{model, prompter, dialogs, waiter, settings};

    Screen(QByteArray bytes, const CfgReadLimits &limits)
    {
        commands.setReadLimits(limits);
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        commands.ReadCfgRecords(buffer, bytes.size());
    }
};

} // namespace

// The entry points; each target's build names its own as FUZZ_ENTRY.
void fuzzCfgReader(const QByteArray &input)
{
    // Small bounds, so that short inputs reach the over-long line and the
    // endless input paths too.
    const Screen first(input, {200, 4000});
    const KeyRows &rows = first.model.rows();
    // Whatever was loaded saves to a file that loads back silently with the
    // same rows; only a line break or TAB becomes a space, and spaces at the
    // end of the line (the description's) are lost to the reader's trimming.
    const Screen second(CfgFileBytes(rows, "fuzz"), {4096, 1 << 20});
    require(second.prompter.prompts.isEmpty(), "a saved file loads silently");
    for (int i = 0; i < RowCount; ++i) {
        requireCheckedText(rows, i);
        QByteArray description = flattenCfgField(rows.description(i));
        while (description.endsWith(' '))
            description.chop(1);
        const KeyRows &again = second.model.rows();
        require(again.keyName(i) == flattenCfgField(rows.keyName(i)) &&
                    again.keyString(i) == flattenCfgField(rows.keyString(i)) &&
                    again.description(i) == description,
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
    requireCheckedText(rows, 3);
    require(text.startsWith(kept), "what is kept is a prefix of the input");
    const qsizetype messages = prompter.prompts.size();
    require(kept == text ? messages == 0 : (messages == 1 || messages == 2), "every cut is reported");
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
