#include "ui/model/MainModel.h"

MainModel::MainModel(QObject *parent)
    : QObject(parent),
      // Design-time captions, shown until start-up or an operation sets them.
      m_texts{{Text::Caption, QStringLiteral("KORVEX CONFIG")}, {Text::CodeLabel, InitialCodeLabel},
              {Text::CommLabel, QStringLiteral("COM2")},        {Text::BaudLabel, QStringLiteral("9600")},
              {Text::ParityLabel, QStringLiteral("NONE")},      {Text::CfgLabel, QStringLiteral("None")}}
{}

QString MainModel::text(Text which) const
{
    return m_texts.at(which);
}

void MainModel::setText(Text which, const QString &value)
{
    QString &current = m_texts[which];
    if (current == value)
        return;
    current = value;
    emit textChanged(which);
}

void MainModel::setDescriptionBoxSize(const QSize &twips)
{
    if (m_descriptionBoxSize == twips)
        return;
    m_descriptionBoxSize = twips;
    emit descriptionBoxSizeChanged();
}

void MainModel::setBusy(bool busy)
{
    if (m_busy == busy)
        return;
    m_busy = busy;
    emit busyChanged(busy);
}
