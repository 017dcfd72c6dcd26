#include "ProgressBar.h"

#include <QIODevice>

namespace cli {

namespace {

constexpr qsizetype FewFiles = 10;
constexpr qsizetype BarWidth = 30;

// A bar is shown only for more than FewFiles files, so total is never 0.
int percentOf(qsizetype done, qsizetype total)
{
    return static_cast<int>(done * 100 / total);
}

// "[##########          ]  50% 5/10"
QByteArray render(qsizetype done, qsizetype total)
{
    const qsizetype filled = done * BarWidth / total;
    QByteArray bar("[");
    bar.append(QByteArray(filled, '#')).append(QByteArray(BarWidth - filled, ' ')).append("] ");
    bar.append(QByteArray::number(percentOf(done, total)).rightJustified(3, ' ')).append("% ");
    return bar.append(QByteArray::number(done)).append('/').append(QByteArray::number(total));
}

} // namespace

ProgressBar::ProgressBar(QIODevice &terminal, qsizetype total, bool isTerminal)
    : m_terminal(terminal)
    , m_total(total)
    , m_shown(isTerminal && total > FewFiles)
{
    if (m_shown)
        draw();
}

ProgressBar::~ProgressBar()
{
    finish();
}

void ProgressBar::advance()
{
    ++m_done;
    // Redrawn only when the percentage moves: a hundred writes for any number of files.
    if (m_shown && percentOf(m_done, m_total) != m_shownPercent)
        draw();
}

void ProgressBar::message(QByteArrayView line)
{
    clear();
    m_terminal.write(line.data(), line.size());
    m_terminal.write("\n");
    if (m_shown)
        draw();
}

void ProgressBar::finish()
{
    clear();
    m_shown = false;
}

void ProgressBar::draw()
{
    m_shownPercent = percentOf(m_done, m_total);
    m_terminal.write("\r" + render(m_done, m_total));
}

void ProgressBar::clear()
{
    // Carriage return, then erase to the end of the line.
    if (m_shown)
        m_terminal.write("\r\x1b[K");
}

} // namespace cli
