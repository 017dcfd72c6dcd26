#pragma once

#include <QByteArray>
#include <QByteArrayView>

class QIODevice;

namespace cli {

// A one-line bar on a terminal for a run over many files. Messages go above
// it so that it never tears them. When not shown, it only passes messages on.
class ProgressBar
{
public:
    // Only a terminal gets a bar, and only for more than a few files, which
    // would go by too fast to need one; a pipe or a log must not fill with it.
    ProgressBar(QIODevice &terminal, qsizetype total, bool isTerminal);
    ~ProgressBar();
    ProgressBar(const ProgressBar &) = delete;
    ProgressBar &operator=(const ProgressBar &) = delete;

    void advance();
    void message(QByteArrayView line);
    void finish();

private:
    void draw();
    void clear();

    QIODevice &m_terminal;
    qsizetype m_total;
    qsizetype m_done = 0;
    int m_shownPercent = -1;
    bool m_shown;
};

} // namespace cli
