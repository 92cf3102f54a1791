#pragma once

#include <QAbstractListModel>
#include <QByteArray>
#include <QList>

// The "Communication Details" log: at most MaxLines lines, oldest first.
// Lines are 8-bit text because they quote device bytes as received.
class StatusLog : public QAbstractListModel
{
    Q_OBJECT

public:
    static constexpr int MaxLines = 75;
    static constexpr int VisibleNewest = 5;

    explicit StatusLog(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

    int count() const { return static_cast<int>(m_lines.size()); }
    int lastIndex() const { return count() - 1; }
    QByteArray line(int index) const { return m_lines.at(index); }
    const QList<QByteArray> &lines() const { return m_lines; }
    void setLine(int index, const QByteArray &text);

    void clear();
    void Add2Status(const QByteArray &msg);

signals:
    // Asks the view to show `firstVisible` as its top line, which puts the
    // newest lines at the top of a short list box.
    void scrollRequested(int firstVisible);

private:
    QList<QByteArray> m_lines;
};
