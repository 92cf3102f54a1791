#include "files/CfgFileCommands.h"

#include "core/KorvexError.h"
#include "core/MainModel.h"
#include "core/Prompter.h"
#include "core/SettingsFile.h"
#include "core/VbNumber.h"
#include "core/Waiter.h"
#include "files/CfgFormat.h"
#include "files/CfgLineReader.h"
#include "files/FileDialogs.h"
#include "keys/KeyStringNotation.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace {

const QString NoFilename = QStringLiteral("No filename entered");
const QString OverwriteQuestion = QStringLiteral("File exists -- want to overwrite? Y/N");

QString describe(const QString &path, const QString &reason)
{
    return QDir::toNativeSeparators(path) + QStringLiteral(": ") + reason;
}

// What a label shows of a full path: the name after the last separator,
// whichever of the two the name was typed with.
QString fileNamePart(const QString &path)
{
    const qsizetype cut = std::max(path.lastIndexOf(QLatin1Char('\\')), path.lastIndexOf(QLatin1Char('/')));
    return path.mid(cut + 1);
}

// A row number as the operator wrote it, short enough for a message box.
QString quoted(const QByteArray &field)
{
    constexpr int Shown = 24;
    const QByteArray trimmed = field.trimmed();
    if (trimmed.size() <= Shown)
        return QString::fromLatin1(trimmed);
    return QString::fromLatin1(trimmed.left(Shown)) + QStringLiteral("...");
}

} // namespace

CfgFileCommands::CfgFileCommands(MainModel &model, Prompter &prompter, FileDialogs &dialogs, Waiter &waiter,
                                 const SettingsFile &settings)
    : m_model(model), m_prompter(prompter), m_dialogs(dialogs), m_waiter(waiter), m_settings(settings)
{}

QString CfgFileCommands::startDirectory() const
{
    // A folder removed since would leave the dialog nowhere useful.
    const QString directory = m_settings.lastDirectory();
    return QFileInfo(directory).isDir() ? directory : QString();
}

void CfgFileCommands::rememberDirectory(const QString &path)
{
    m_settings.setLastDirectory(QFileInfo(path).absolutePath());
}

void CfgFileCommands::FSave_Click()
{
    const QString path = m_currentFile;
    if (path.isEmpty()) {
        m_prompter.message(NoFilename);
        return;
    }
    if (QFileInfo::exists(path) && !m_prompter.confirm(OverwriteQuestion))
        return;
    try {
        saveCfgFile(path, m_model.rows());
    } catch (const KorvexError &error) {
        m_prompter.message(QStringLiteral("Error saving file ") + error.description());
        return;
    }
    rememberDirectory(path);
    m_model.setText(MainModel::Text::CfgLabel, fileNamePart(path));
    m_prompter.message(QStringLiteral("Save Successful"));
}

void CfgFileCommands::SaveAs_Click()
{
    const std::optional<QString> chosen = m_dialogs.saveFileName(startDirectory());
    if (!chosen)
        return;
    if (chosen->isEmpty()) {
        m_prompter.message(NoFilename);
        return;
    }
    // Open lists only *.cfg: a name saved without a suffix would be hidden
    // there. The question is then about the file really written.
    QString path = *chosen;
    if (!fileNamePart(path).contains(QLatin1Char('.')))
        path += QStringLiteral(".cfg");
    if (QFileInfo::exists(path) && !m_prompter.confirm(OverwriteQuestion))
        return;
    m_currentFile = path;
    // Save asks its own overwrite question, so a confirmed overwrite is
    // asked twice; a No there keeps the file but not the old name.
    FSave_Click();
}

void CfgFileCommands::FOpen_Click()
{
    const std::optional<QString> chosen = m_dialogs.openFileName(startDirectory());
    if (!chosen)
        return;
    const QString path = *chosen;
    m_currentFile = path;
    m_model.setText(MainModel::Text::CfgLabel, fileNamePart(path));

    if (!path.isEmpty()) {
        if (!openFile(path))
            return;
        rememberDirectory(path);
    }
    m_model.rows().markAllUnconfirmed(false);
}

bool CfgFileCommands::openFile(const QString &path)
{
    try {
        const QFileInfo info(path);
        // Opening a pipe waits for a writer, and reading a terminal or a
        // device may wait for ever: only a regular file is read.
        if (info.isDir())
            throw KorvexError(describe(path, QStringLiteral("this is a folder, not a file")));
        if (info.exists() && !info.isFile())
            throw KorvexError(describe(path, QStringLiteral("this is a device or pipe, not a file")));
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            throw KorvexError(describe(path, file.errorString()));
        try {
            ReadCfgRecords(file, file.size());
        } catch (const KorvexError &error) {
            throw KorvexError(describe(path, error.description()));
        }
    } catch (const KorvexError &error) {
        m_prompter.message(QStringLiteral("Error opening specified config file. ") + error.description());
        return false;
    } catch (const OperationAborted &) {
        // The window is closing: no further record, no message box.
        return false;
    }
    return true;
}

void CfgFileCommands::ReadCfgRecords(QIODevice &input, qint64 inputSize)
{
    m_badRecords = 0;
    const auto reportUnreported = [this] {
        if (m_badRecords > ReportedBadRecords)
            reportExtractionFault(QStringLiteral("further bad records, skipped or cut back without a message "
                                                 "of their own: %1")
                                      .arg(m_badRecords - ReportedBadRecords));
    };
    try {
        readRecords(input, inputSize);
    } catch (const KorvexError &) {
        reportUnreported();
        throw;
    }
    reportUnreported();
}

void CfgFileCommands::readRecords(QIODevice &input, qint64 inputSize)
{
    // Both bounds are far above a real file: a file is read up to the size it
    // had when opened (at least minInputBytes), one line of at most
    // maxLineBytes at a time.
    const qint64 inputLimit = std::max(inputSize, m_limits.minInputBytes);
    CfgLineReader reader(input, m_limits.maxLineBytes, inputLimit);
    QByteArray line;
    for (;;) {
        switch (reader.next(&line)) {
        case CfgLineReader::Result::Line:
            m_lineNumber = reader.lineNumber();
            if (const std::optional<QList<QByteArray>> fields = CfgRecordFields(line))
                ApplyCfgRecord(*fields);
            m_waiter.pumpEvents();
            break;
        case CfgLineReader::Result::End:
            return;
        case CfgLineReader::Result::LineTooLong:
            reportExtractionFault(QStringLiteral("line %1 is longer than %2 bytes, which no configuration "
                                                 "file has; nothing from that line on was read")
                                      .arg(reader.lineNumber())
                                      .arg(m_limits.maxLineBytes));
            return;
        case CfgLineReader::Result::InputTooLong:
            reportExtractionFault(QStringLiteral("the input has not ended after %1 bytes; nothing from "
                                                 "line %2 on was read")
                                      .arg(reader.bytesRead())
                                      .arg(reader.lineNumber()));
            return;
        }
    }
}

void CfgFileCommands::ApplyCfgRecord(const QList<QByteArray> &fields)
{
    if (fields.size() < 2)
        return;

    const std::optional<double> number = parseDecimal(fields.at(0));
    m_waiter.pumpEvents();
    if (!number)
        return; // not a record: no message
    // Anything above 16 is rejected before rounding, so 16.5 names no row;
    // below that the number rounds half to even (0.5 is row 0, rejected).
    const double rowNumber = *number > RowCount ? *number : roundHalfEven(*number);
    if (!(rowNumber >= 1 && rowNumber <= RowCount)) {
        if (reportsBadRecord())
            reportExtractionFault(QStringLiteral("row number %1 is not between 1 and %2")
                                      .arg(quoted(fields.at(0)))
                                      .arg(RowCount));
        return;
    }
    const int index = static_cast<int>(rowNumber) - 1;

    KeyRows &rows = m_model.rows();
    // The key name is taken as written; the output string goes through the
    // same check as typing, messages and cut-back included, except that past
    // the reported bad records it arrives already cut, so the check is silent.
    rows.setKeyName(index, fields.at(1));
    m_waiter.pumpEvents();
    if (fields.size() > 2) {
        QByteArray text = fields.at(2);
        if (ScanKeyString(text).outcome != KeyStringScan::Outcome::Ok && !reportsBadRecord())
            text = CheckedKeyString(text);
        rows.setKeyString(index, text);
        m_waiter.pumpEvents();
    }
    if (fields.size() > 3) {
        rows.setDescription(index, fields.at(3));
        m_waiter.pumpEvents();
    }
}

void CfgFileCommands::reportExtractionFault(const QString &description)
{
    m_prompter.message(QStringLiteral("Error extracting info from config file. ") + description);
}
