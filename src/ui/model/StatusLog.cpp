#include "ui/model/StatusLog.h"

#include "core/VisibleText.h"

StatusLog::StatusLog(QObject *parent) : QAbstractListModel(parent) {}

int StatusLog::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : count();
}

QVariant StatusLog::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= count())
        return {};
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
        return visibleText(QString::fromLatin1(m_lines.at(index.row())));
    return {};
}

void StatusLog::setLine(int index, const QByteArray &text)
{
    if (index < 0 || index >= count())
        return;
    m_lines[index] = text;
    const QModelIndex changed = createIndex(index, 0);
    emit dataChanged(changed, changed, {Qt::DisplayRole});
}

void StatusLog::clear()
{
    if (m_lines.isEmpty())
        return;
    beginResetModel();
    m_lines.clear();
    endResetModel();
}

void StatusLog::Add2Status(const QByteArray &msg)
{
    beginInsertRows(QModelIndex(), count(), count());
    m_lines.append(msg);
    endInsertRows();

    const int overflow = count() - MaxLines;
    if (overflow > 0) {
        beginRemoveRows(QModelIndex(), 0, overflow - 1);
        m_lines.erase(m_lines.begin(), m_lines.begin() + overflow);
        endRemoveRows();
    }
    if (count() > VisibleNewest)
        emit scrollRequested(count() - VisibleNewest);
}
