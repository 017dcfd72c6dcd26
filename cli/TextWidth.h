#pragma once

#include <Result.h>

#include <QRawFont>
#include <QString>
#include <QStringView>

#include <array>

namespace cli {

// Liberation Sans, which has Arial's widths: the font search results are set in.
QString SearchResultFontFile();

// The width in pixels of a line of text in one font file at one pixel size,
// as a browser sets it without kerning: the sum of the characters' advance
// widths in the font's design metrics, unhinted. A character the font lacks
// counts at the font's average character width.
//
// Qt reads font files only through its GUI platform, so a QGuiApplication
// (the offscreen platform will do) must exist while fonts are loaded and used.
class TextWidth
{
public:
    static metatags::Result<TextWidth> Load(const QString &fontFile, int pixelSize);

    // The same font at another size, without reading the file again.
    TextWidth atPixelSize(int pixelSize) const;

    double of(QStringView text) const;

private:
    TextWidth(QRawFont font, double scale);
    double advanceOf(char32_t character) const;

    QRawFont m_font; // at one pixel per font unit
    double m_scale = 1; // pixels per font unit
    double m_averageWidth = 0;
    // Most text is Latin-1; looking those up once keeps the font out of the loop.
    std::array<double, 256> m_latin1Advances {};
};

} // namespace cli
