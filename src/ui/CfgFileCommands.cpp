#include "ui/CfgFileCommands.h"

#include "core/FileAccess.h"
#include "core/KorvexError.h"
#include "core/SettingsFile.h"
#include "core/Waiter.h"
#include "files/CfgFormat.h"
#include "keys/KeyStringNotation.h"
#include "ui/FileDialogs.h"
#include "ui/model/MainModel.h"
#include "ui/model/Prompter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace {

const QString NoFilename = QStringLiteral("No filename entered");
const QString OverwriteQuestion = QStringLiteral("File exists -- want to overwrite? Y/N");

// What a label shows of a full path: the name after the last separator,
// whichever of the two the name was typed with.
QString fileNamePart(const QString &path)
{
    const qsizetype cut = std::max(path.lastIndexOf(QLatin1Char('\\')), path.lastIndexOf(QLatin1Char('/')));
    return path.mid(cut + 1);
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

void CfgFileCommands::save()
{
    const QString path = m_currentFile;
    if (path.isEmpty()) {
        m_prompter.message(NoFilename);
        return;
    }
    if (QFileInfo::exists(path) && !m_prompter.confirm(OverwriteQuestion))
        return;
    try {
        saveCfgFile(path, m_model.rows().overrides());
    } catch (const KorvexError &error) {
        m_prompter.message(QStringLiteral("Error saving file ") + error.description());
        return;
    }
    rememberDirectory(path);
    m_model.setText(MainModel::Text::CfgLabel, fileNamePart(path));
    m_prompter.message(QStringLiteral("Save Successful"));
}

void CfgFileCommands::saveAs()
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
    save();
}

void CfgFileCommands::open()
{
    if (const std::optional<QString> chosen = m_dialogs.openFileName(startDirectory()))
        openNamed(*chosen);
}

void CfgFileCommands::openNamed(const QString &path)
{
    // The name shows before reading, so the messages appear under it.
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
        // A pipe, a terminal or a device may wait for ever: only a regular
        // file is read.
        QFile file;
        QString why;
        if (!openRegularFile(file, path, &why))
            throw KorvexError(why);
        try {
            readRecords(file, file.size());
        } catch (const KorvexError &error) {
            throw KorvexError(QDir::toNativeSeparators(path) + QStringLiteral(": ") + error.description());
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

void CfgFileCommands::readRecords(QIODevice &input, qint64 inputSize)
{
    m_badRecords = 0;
    const auto reportUnreported = [this] {
        if (m_badRecords > ReportedBadRecords)
            reportExtractionFault(QStringLiteral("further bad records, skipped or cut back without a message "
                                                 "of their own: %1")
                                      .arg(m_badRecords - ReportedBadRecords));
    };
    try {
        applyRecords(input, inputSize);
    } catch (const KorvexError &) {
        reportUnreported();
        throw;
    }
    reportUnreported();
}

void CfgFileCommands::applyRecords(QIODevice &input, qint64 inputSize)
{
    CfgReader reader(input, inputSize, m_limits);
    CfgRecord record;
    for (;;) {
        switch (reader.next(&record)) {
        case CfgReader::Step::Record:
            m_lineNumber = record.line;
            applyRecord(record);
            break;
        case CfgReader::Step::Ignored:
        case CfgReader::Step::Other:
            break;
        case CfgReader::Step::End:
            return;
        case CfgReader::Step::Stopped:
            reportExtractionFault(reader.stopReason());
            return;
        }
        m_waiter.pumpEvents();
    }
}

void CfgFileCommands::applyRecord(const CfgRecord &record)
{
    m_waiter.pumpEvents();
    switch (record.rowNumber) {
    case CfgRecord::RowNumber::NotANumber:
        return; // not a record: no message
    case CfgRecord::RowNumber::OutOfRange:
        if (reportsBadRecord())
            reportExtractionFault(record.rowNumberProblem());
        return;
    case CfgRecord::RowNumber::Valid:
        break;
    }

    KeyRows &rows = m_model.rows();
    // The key name is taken as written; the output string goes through the
    // same check as typing, messages and cut-back included, except that past
    // the reported bad records it arrives already cut, so the check is silent.
    rows.setKeyName(record.index, record.key());
    m_waiter.pumpEvents();
    if (std::optional<QByteArray> text = record.string()) {
        if (ScanKeyString(*text).outcome != KeyStringScan::Outcome::Ok && !reportsBadRecord())
            text = CheckedKeyString(*text);
        rows.setKeyString(record.index, *text);
        m_waiter.pumpEvents();
    }
    if (const std::optional<QByteArray> description = record.description()) {
        rows.setDescription(record.index, *description);
        m_waiter.pumpEvents();
    }
}

void CfgFileCommands::reportExtractionFault(const QString &description)
{
    m_prompter.message(QStringLiteral("Error extracting info from config file. ") + description);
}
