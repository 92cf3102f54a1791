#pragma once

#include "ui/model/KeyRows.h"
#include "ui/model/ProgressModel.h"
#include "ui/model/StatusLog.h"

#include <QObject>
#include <QSize>
#include <QString>

#include <map>

// Everything the main window shows, owned in one place so that the window is
// a thin view and every operation can be tested without a display.
class MainModel : public QObject
{
    Q_OBJECT

public:
    enum class Text { Caption, CodeLabel, CommLabel, BaudLabel, ParityLabel, CfgLabel };
    Q_ENUM(Text)

    static inline const QString InitialCodeLabel = QStringLiteral("Code Version Reported: ??");

    explicit MainModel(QObject *parent = nullptr);

    KeyRows &rows() { return m_rows; }
    const KeyRows &rows() const { return m_rows; }
    StatusLog &log() { return m_log; }
    const StatusLog &log() const { return m_log; }
    ProgressModel &progress() { return m_progress; }
    const ProgressModel &progress() const { return m_progress; }

    QString text(Text which) const;
    void setText(Text which, const QString &value);

    // Size of the description box in twips; start-up sets it.
    QSize descriptionBoxSize() const { return m_descriptionBoxSize; }
    void setDescriptionBoxSize(const QSize &twips);

    // True while a device operation runs; the window greys out its commands.
    bool isBusy() const { return m_busy; }
    void setBusy(bool busy);

signals:
    void textChanged(MainModel::Text which);
    void descriptionBoxSizeChanged();
    void busyChanged(bool busy);

private:
    KeyRows m_rows;
    StatusLog m_log;
    ProgressModel m_progress;
    std::map<Text, QString> m_texts;
    QSize m_descriptionBoxSize;
    bool m_busy = false;
};
