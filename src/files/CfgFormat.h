#pragma once

#include "core/KeyOverride.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

class QDateTime;
class QLocale;

// The .cfg key-output file: two "#" header lines, an empty line and one
// TAB-separated record per row, every line ending in CR LF. 8-bit text: the
// rows' own bytes go into the file unchanged.

inline const QByteArray CfgHeaderLine = QByteArrayLiteral("#Moravelle KORVEX configuration file");

// A field as written: every CR LF pair, and every other TAB, CR or LF, becomes
// one space, so that a record always stays one line of four fields.
QByteArray flattenCfgField(const QByteArray &field);

// The whole file for the sixteen rows. writtenAt follows "#File written ".
QByteArray CfgFileBytes(const KeyOverrides &rows, const QByteArray &writtenAt);
// The same, dated now.
QByteArray CfgFileBytes(const KeyOverrides &rows);

// Writes the whole file for the rows (dated now) to path. The new contents go
// to a temporary file that replaces the old one only once complete, so a
// failed save leaves the previous file as it was. Throws KorvexError naming
// the path and the reason.
void saveCfgFile(const QString &path, const KeyOverrides &rows);

// The locale's short date, a space and its time with seconds (without the
// time zone that the long time form may add).
QByteArray CfgWrittenAt(const QDateTime &when, const QLocale &locale);

// A time format with its time-zone fields removed; quoted text is kept.
QString timeFormatWithoutZone(const QString &format);

// The fields of one line as read: spaces (0x20 only) trimmed at both ends,
// then split at every TAB keeping empty fields. Nothing for an empty line, a
// comment ("#") or a line without a TAB.
std::optional<QList<QByteArray>> CfgRecordFields(const QByteArray &line);
