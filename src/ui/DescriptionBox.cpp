#include "ui/DescriptionBox.h"

#include "ui/FormLayout.h"
#include "ui/model/KeyRows.h"

DescriptionBox::DescriptionBox(KeyRows &rows, QObject *parent) : QObject(parent), m_rows(rows)
{
    connect(&m_rows, &KeyRows::descriptionChanged, this, &DescriptionBox::rowDescriptionChanged);
}

void DescriptionBox::setBoxSize(const QSize &twips)
{
    if (m_box.size() == twips)
        return;
    m_box.setSize(twips);
    emit changed();
}

void DescriptionBox::setText(const QByteArray &text)
{
    if (m_text == text)
        return;
    m_text = text;
    emit changed();
}

void DescriptionBox::StringCount_Click(int r)
{
    if (!m_descriptionsEnabled) {
        hide();
        return;
    }
    if (!m_visible) {
        ShowDescription(r);
        return;
    }
    m_visible = false;
    commit();
    if (r != m_row)
        ShowDescription(r);
    else
        emit changed();
}

void DescriptionBox::ShowDescription(int r)
{
    const QRect field = FormLayout::keyStringRect(r);
    const QRect count = FormLayout::stringCountRect(r);
    if (FormLayout::isRightColumn(r)) {
        m_box.moveLeft(870);
        m_lineLeft = m_box.left();
        m_lineRight = field.left();
    } else {
        m_box.moveLeft(5300);
        m_lineLeft = field.left() + field.width();
        m_lineRight = m_box.left();
    }
    m_lineY = count.top() + count.height() / 2;
    m_box.moveTop(m_lineY - m_box.height() / 2);
    m_visible = true;
    m_row = r;
    m_text = m_rows.description(r);
    emit changed();
}

void DescriptionBox::hide()
{
    if (!m_visible)
        return;
    m_visible = false;
    emit changed();
}

void DescriptionBox::commit()
{
    m_rows.setDescription(m_row, m_text);
}

void DescriptionBox::rowDescriptionChanged(int row)
{
    // A file opened or Clear All while the box is open replaces the row's
    // description; show the new one, or the next click would write the old
    // text over what was just loaded.
    if (!m_visible || row != m_row)
        return;
    setText(m_rows.description(row));
}
