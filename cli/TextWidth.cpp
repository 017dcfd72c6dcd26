#include "TextWidth.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>

namespace cli {

QString SearchResultFontFile()
{
    return QStringLiteral("/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf");
}

metatags::Result<TextWidth> TextWidth::Load(const QString &fontFile, int pixelSize)
{
    const auto tr = [](const char *text) { return QCoreApplication::translate("TextWidth", text); };
    // Without the GUI platform QRawFont crashes instead of failing.
    if (qobject_cast<QGuiApplication *>(QCoreApplication::instance()) == nullptr)
        return metatags::FileError { fontFile, tr("fonts can only be read in a graphical application.") };
    if (!QFileInfo(fontFile).isFile())
        return metatags::FileError { fontFile, tr("there is no such font file.") };
    QRawFont font(fontFile, pixelSize, QFont::PreferNoHinting);
    if (!font.isValid() || font.unitsPerEm() <= 0)
        return metatags::FileError { fontFile, tr("the file is not a font that can be read.") };
    // At one pixel per font unit Qt's fixed-point advances are the font's own
    // whole numbers; scaling them afterwards rounds nothing away.
    const double scale = pixelSize / font.unitsPerEm();
    font.setPixelSize(font.unitsPerEm());
    return TextWidth(std::move(font), scale);
}

TextWidth::TextWidth(QRawFont font, double scale)
    : m_font(std::move(font))
    , m_scale(scale)
    , m_averageWidth(m_font.averageCharWidth() * scale)
{
    for (char32_t character = 0; character < m_latin1Advances.size(); ++character)
        m_latin1Advances[character] = advanceOf(character);
}

TextWidth TextWidth::atPixelSize(int pixelSize) const
{
    // The advances scale with the size; the font need not be asked again.
    TextWidth other = *this;
    other.m_scale = pixelSize / m_font.unitsPerEm();
    other.m_averageWidth = m_averageWidth / m_scale * other.m_scale;
    for (double &advance : other.m_latin1Advances)
        advance = advance / m_scale * other.m_scale;
    return other;
}

double TextWidth::advanceOf(char32_t character) const
{
    const char32_t units[] = { character };
    const QString text = QString::fromUcs4(units, 1);
    const QList<quint32> glyphs = m_font.glyphIndexesForString(text);
    // Glyph 0 is the font's mark for a character it lacks.
    if (glyphs.size() != 1 || glyphs.front() == 0)
        return m_averageWidth;
    return m_font.advancesForGlyphIndexes(glyphs, QRawFont::UseDesignMetrics).front().x() * m_scale;
}

double TextWidth::of(QStringView text) const
{
    double width = 0;
    for (const char32_t character : text.toUcs4())
        width += character < m_latin1Advances.size() ? m_latin1Advances[character] : advanceOf(character);
    return width;
}

} // namespace cli
