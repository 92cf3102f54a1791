#include "ui/StatusLogView.h"

#include <QScrollBar>

StatusLogView::StatusLogView(QWidget *parent) : QListView(parent)
{
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setUniformItemSizes(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

void StatusLogView::scrollToTop(int row)
{
    m_wantedTop = row;
    updateGeometries();
}

int StatusLogView::firstVisibleRow() const
{
    return verticalScrollBar()->value();
}

void StatusLogView::updateGeometries()
{
    QListView::updateGeometries();
    // One item per scroll step: allow every line, the last included, to be
    // the top one.
    const int rows = model() ? model()->rowCount(rootIndex()) : 0;
    QScrollBar *bar = verticalScrollBar();
    bar->setRange(0, qMax(0, rows - 1));
    if (m_wantedTop >= 0) {
        bar->setValue(qMin(m_wantedTop, bar->maximum()));
        m_wantedTop = -1;
    }
}
