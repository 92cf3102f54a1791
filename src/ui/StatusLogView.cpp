#include "ui/StatusLogView.h"

#include <QScrollBar>

StatusLogView::StatusLogView(QWidget *parent) : QListView(parent)
{
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setUniformItemSizes(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // The range below is longer than the list's own. A bar shown only when
    // needed would be hidden by the list's layout and shown again by this
    // range, each change asking for another layout, for ever.
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
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
    // The list view clamps the scroll position to its own, shorter range;
    // keep the position asked for.
    QScrollBar *bar = verticalScrollBar();
    const int top = m_wantedTop >= 0 ? m_wantedTop : bar->value();
    QListView::updateGeometries();
    // One item per scroll step: every line, the last included, may be the
    // top one.
    const int rows = model() ? model()->rowCount(rootIndex()) : 0;
    bar->setRange(0, qMax(0, rows - 1));
    bar->setValue(qMin(top, bar->maximum()));
    m_wantedTop = -1;
}
