#pragma once

#include "files/CfgReader.h"

#include <QString>

class FileDialogs;
class MainModel;
class Prompter;
class QIODevice;
class SettingsFile;
class Waiter;

// The File menu: Save, Save As and Open of .cfg key-output files, with the
// window's questions and messages.
class CfgFileCommands
{
public:
    // The dialogs start in the folder of the file last opened or saved, kept
    // in settings so that it outlasts the program.
    CfgFileCommands(MainModel &model, Prompter &prompter, FileDialogs &dialogs, Waiter &waiter,
                    const SettingsFile &settings);

    void save();
    void saveAs();
    void open();
    // Open once a name is chosen, whoever chose it: the dialog, or the
    // command line that started the program.
    void openNamed(const QString &path);

    // Reads the file and applies its records, as Open does after its dialog.
    // Reports its own failures; false when reading ended early (a failure, or
    // the window closing).
    bool openFile(const QString &path);
    // The line of the record being applied, while reading.
    qint64 lineNumber() const { return m_lineNumber; }

    // Applies every record of an open input in order, as Open does after
    // opening its file. inputSize is the size of the input when known (0
    // otherwise). Lines beyond the limits are reported, not read; bad records
    // beyond the first ReportedBadRecords are reported at the end in one
    // message. Throws KorvexError when the input fails.
    void readRecords(QIODevice &input, qint64 inputSize);

    // A file of thousands of bad records must not trap the operator in as
    // many message boxes.
    static constexpr int ReportedBadRecords = 10;

    void setReadLimits(const CfgReadLimits &limits) { m_limits = limits; }

    // The file Save writes: empty at start, set by Open and Save As. The
    // label shows it once opened or saved.
    const QString &currentFile() const { return m_currentFile; }
    void setCurrentFile(const QString &path) { m_currentFile = path; }

private:
    QString startDirectory() const;
    void rememberDirectory(const QString &path);
    void applyRecords(QIODevice &input, qint64 inputSize);
    // Applies one record to the row it names. A bad record (row number out of
    // range, output string the notation check refuses) is reported as typing
    // it would be, but only the first ReportedBadRecords of a reading; later
    // ones are counted, and their strings are cut back here exactly as the
    // check would, without a word.
    void applyRecord(const CfgRecord &record);
    void reportExtractionFault(const QString &description);
    // Counts one bad record; true while it is still to be reported by itself.
    bool reportsBadRecord() { return ++m_badRecords <= ReportedBadRecords; }

    MainModel &m_model;
    Prompter &m_prompter;
    FileDialogs &m_dialogs;
    Waiter &m_waiter;
    const SettingsFile &m_settings;
    CfgReadLimits m_limits;
    QString m_currentFile;
    int m_badRecords = 0;
    qint64 m_lineNumber = 0;
};
