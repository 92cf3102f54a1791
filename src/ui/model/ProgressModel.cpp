#include "ui/model/ProgressModel.h"

ProgressModel::ProgressModel(QObject *parent) : QObject(parent) {}

void ProgressModel::setVisible(bool visible)
{
    if (m_visible == visible)
        return;
    m_visible = visible;
    emit changed();
}

void ProgressModel::setMaximum(int maximum)
{
    if (m_maximum == maximum)
        return;
    m_maximum = maximum;
    emit changed();
}

void ProgressModel::setValue(int value)
{
    if (m_value == value)
        return;
    m_value = value;
    emit changed();
}

void ProgressModel::setPercentText(const QString &text)
{
    if (m_percentText == text)
        return;
    m_percentText = text;
    emit changed();
}

void ProgressModel::step(int value)
{
    setValue(value);
    const int percent = m_maximum > 0 ? (m_value * 100) / m_maximum : 0;
    setPercentText(QString::number(percent) + QLatin1Char('%'));
}
