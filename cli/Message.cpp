#include "Message.h"

#include "SheetCell.h"

#include <QLocale>

namespace cli {

QString Printable(QStringView text)
{
    QString printable;
    for (const QChar character : text) {
        const char16_t unit = character.unicode();
        if (const std::optional<QLatin1StringView> escaped = ShortEscape(character))
            printable.append(*escaped);
        else if (unit < 0x20 || (unit >= 0x7F && unit < 0xA0))
            printable.append(QStringLiteral("\\u%1").arg(uint { unit }, 4, 16, QLatin1Char('0')));
        else
            printable.append(character);
    }
    return printable;
}

QByteArray Message(QStringView path, qint64 line, QStringView text)
{
    QString message = QStringLiteral("tagwright-batch: ") + Printable(path);
    if (line > 0)
        message += QLatin1Char(':') + QString::number(line);
    message.append(QStringLiteral(": ")).append(text).append(QLatin1Char('\n'));
    return message.toUtf8();
}

QString Count(qint64 number)
{
    return QLocale(QLocale::English, QLocale::UnitedStates).toString(number);
}

} // namespace cli
