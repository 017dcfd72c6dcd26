#include "ProgramIcon.h"

#include <QPainter>
#include <QPen>

namespace dialogs {

QPixmap ProgramPicture(int size)
{
    QPixmap picture(size, size);
    picture.fill(QColor(0, 0, 128));

    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal side = size;
    const qreal margin = side * 0.08;
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(220, 0, 0));
    painter.drawEllipse(QRectF(margin, margin, side - 2 * margin, side - 2 * margin));

    QPen stroke(Qt::white, side * 0.14, Qt::SolidLine, Qt::RoundCap);
    painter.setPen(stroke);
    const qreal inset = side * 0.32;
    painter.drawLine(QPointF(inset, inset), QPointF(side - inset, side - inset));
    painter.drawLine(QPointF(side - inset, inset), QPointF(inset, side - inset));
    return picture;
}

QIcon ProgramIcon()
{
    QIcon icon;
    for (const int size : { 16, 24, 32, 48, 64, 128, 256 })
        icon.addPixmap(ProgramPicture(size));
    return icon;
}

} // namespace dialogs
