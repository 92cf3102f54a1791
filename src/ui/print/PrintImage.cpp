#include "ui/print/PrintImage.h"

#include <QPainter>
#include <QPixmap>
#include <QPrintDialog>
#include <QPrinter>

extern "C" Q_DECL_EXPORT bool korvexPrintImage(const QPixmap &image, QWidget *parent,
                                               const ChoosePrinter &choose)
{
    QPrinter printer(QPrinter::HighResolution);
    if (choose) {
        if (!choose(printer))
            return false;
    } else {
        QPrintDialog dialog(&printer, parent);
        if (dialog.exec() != QDialog::Accepted)
            return false;
    }
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    const QRect page = painter.viewport();
    QSize size = image.size();
    size.scale(page.size(), Qt::KeepAspectRatio);
    painter.setViewport(page.x(), page.y(), size.width(), size.height());
    painter.setWindow(image.rect());
    painter.drawPixmap(0, 0, image);
    return painter.end();
}
