#pragma once

#include <QListView>

// The "Communication Details" list. It may scroll further than a plain list
// view would: the log asks for its newest lines at the top of the view, with
// empty space below them.
class StatusLogView : public QListView
{
    Q_OBJECT

public:
    explicit StatusLogView(QWidget *parent = nullptr);

    // Makes row the first visible line.
    void scrollToTop(int row);
    int firstVisibleRow() const;

protected:
    void updateGeometries() override;

private:
    int m_wantedTop = -1;
};
