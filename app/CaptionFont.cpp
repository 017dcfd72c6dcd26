#include "CaptionFont.h"

#include "CaptionLineEdit.h"

#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>

namespace app {

namespace {

// Inner space a control keeps on each side of its text.
constexpr int LineEditMargin = 2;
constexpr int ButtonMargin = 4;

bool captionsFit(const QWidget *client, const QFont &font)
{
    const QFontMetrics metrics(font);
    const auto fits = [&metrics](const QString &text, int room) { return metrics.horizontalAdvance(text) <= room; };
    for (const QLabel *label : client->findChildren<QLabel *>()) {
        if (!fits(label->text(), label->width()))
            return false;
    }
    for (const CaptionLineEdit *caption : client->findChildren<CaptionLineEdit *>()) {
        if (!fits(caption->text(), caption->width() - 2 * LineEditMargin))
            return false;
    }
    for (const QPushButton *button : client->findChildren<QPushButton *>()) {
        if (!fits(QString(button->text()).remove(QLatin1Char('&')), button->width() - 2 * ButtonMargin))
            return false;
    }
    return true;
}

} // namespace

QFont CaptionFont(const QWidget *client)
{
    QFont font;
    font.setFamilies({ QStringLiteral("Microsoft Sans Serif"), QStringLiteral("Tahoma"), QStringLiteral("Arial"),
        QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"), QStringLiteral("Helvetica"),
        QStringLiteral("Nimbus Sans") });
    font.setStyleHint(QFont::SansSerif);
    for (const qreal points : { 8.0, 7.5 }) {
        font.setPointSizeF(points);
        if (captionsFit(client, font))
            return font;
    }
    font.setPointSizeF(7.0);
    return font;
}

} // namespace app
