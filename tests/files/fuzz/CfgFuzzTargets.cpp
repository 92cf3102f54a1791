#include "CfgFuzzTargets.h"

#include "core/MainModel.h"
#include "files/CfgFileCommands.h"
#include "files/CfgFormat.h"
#include "files/FileDialogs.h"
#include "keys/KeyStringChecker.h"
#include "keys/KeyStringNotation.h"
#include "support/FakeWaiter.h"
#include "support/RecordingPrompter.h"

#include <QBuffer>

#include <cstdio>
#include <cstdlib>

#define FUZZ_REQUIRE(condition)                                                                              \
    do {                                                                                                     \
        if (!(condition)) {                                                                                  \
            std::fprintf(stderr, "property violated: %s (%s:%d)\n", #condition, __FILE__, __LINE__);         \
            std::abort();                                                                                    \
        }                                                                                                    \
    } while (false)

namespace {

class NoDialogs : public FileDialogs
{
public:
    std::optional<QString> openFileName() override { return std::nullopt; }
    std::optional<QString> saveFileName() override { return std::nullopt; }
};

// A window's worth of model and commands, with the notation check connected.
struct Screen
{
    MainModel model;
    RecordingPrompter prompter;
    KeyStringChecker checker{model.rows(), prompter};
    NoDialogs dialogs;
    FakeWaiter waiter;
    CfgFileCommands commands{model, prompter, dialogs, waiter};

    void read(QByteArray bytes)
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        commands.ReadCfgRecords(buffer, bytes.size());
    }
};

QByteArray withoutTrailingSpaces(QByteArray text)
{
    while (text.endsWith(' '))
        text.chop(1);
    return text;
}

void requireCheckedText(const KeyRows &rows, int index)
{
    const KeyStringScan scan = ScanKeyString(rows.keyString(index));
    FUZZ_REQUIRE(scan.outcome == KeyStringScan::Outcome::Ok);
    FUZZ_REQUIRE(rows.lengthCaption(index) == QString::number(scan.units));
    FUZZ_REQUIRE(EncodeKeyString(rows.keyString(index)).size() == scan.units);
}

} // namespace

int FuzzCfgReader(const std::uint8_t *data, std::size_t size)
{
    Screen first;
    // Small bounds, so that short inputs reach the over-long line and the
    // endless input paths too.
    first.commands.setReadLimits({200, 4000});
    first.read(QByteArray(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size)));

    const KeyRows &rows = first.model.rows();
    for (int i = 0; i < RowCount; ++i)
        requireCheckedText(rows, i);

    // Whatever was loaded saves to a file that loads back silently with the
    // same rows; only a line break or TAB becomes a space, and spaces at the
    // end of the line (the description's) are lost to the reader's trimming.
    const QByteArray saved = CfgFileBytes(rows, "fuzz");
    Screen second;
    // Every saved line is about as long as the line it came from.
    second.commands.setReadLimits({4096, 1 << 20});
    second.read(saved);
    FUZZ_REQUIRE(second.prompter.prompts().isEmpty());
    for (int i = 0; i < RowCount; ++i) {
        const KeyRows &again = second.model.rows();
        FUZZ_REQUIRE(again.keyName(i) == flattenCfgField(rows.keyName(i)));
        FUZZ_REQUIRE(again.keyString(i) == flattenCfgField(rows.keyString(i)));
        FUZZ_REQUIRE(again.description(i) == withoutTrailingSpaces(flattenCfgField(rows.description(i))));
    }
    return 0;
}

int FuzzCheckKeyString(const std::uint8_t *data, std::size_t size)
{
    Screen screen;
    const QByteArray text(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    screen.model.rows().setKeyString(3, text);

    // The row ends with a valid prefix of what was put in, and the operator
    // was told exactly when it had to be cut: once, or twice when cutting
    // back a bad group still leaves more than six units.
    const QByteArray kept = screen.model.rows().keyString(3);
    requireCheckedText(screen.model.rows(), 3);
    FUZZ_REQUIRE(text.startsWith(kept));
    const qsizetype messages = screen.prompter.messages().size();
    FUZZ_REQUIRE(kept == text ? messages == 0 : (messages == 1 || messages == 2));
    return 0;
}
