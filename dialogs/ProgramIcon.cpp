#include "ProgramIcon.h"

#include <QIconEngine>
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

namespace {

// Draws the motif at the size asked for, when it is asked for: drawing every
// size up front cost more than the rest of the window's first paint.
class DrawnIconEngine : public QIconEngine
{
public:
    void paint(QPainter *painter, const QRect &rect, QIcon::Mode, QIcon::State) override
    {
        painter->drawPixmap(rect, pixmap(rect.size(), QIcon::Normal, QIcon::Off));
    }
    QPixmap pixmap(const QSize &size, QIcon::Mode, QIcon::State) override
    {
        const int side = qMin(size.width(), size.height());
        return side > 0 ? ProgramPicture(side) : QPixmap();
    }
    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override
    {
        QList<QSize> sizes;
        for (const int side : { 16, 24, 32, 48, 64, 128, 256 })
            sizes.append(QSize(side, side));
        return sizes;
    }
    QIconEngine *clone() const override { return new DrawnIconEngine; }
};

} // namespace

QIcon ProgramIcon()
{
    return QIcon(new DrawnIconEngine);
}

} // namespace dialogs
