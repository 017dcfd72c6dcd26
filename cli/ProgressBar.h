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
    ProgressBar(QIODevice &terminal, qsizetype total, bool shown);
    ~ProgressBar();
    ProgressBar(const ProgressBar &) = delete;
    ProgressBar &operator=(const ProgressBar &) = delete;

    // Whether a run over files with this terminal gets a bar: only a few files
    // go by too fast to need one, and a pipe or a log must not fill with it.
    static bool WantedFor(bool isTerminal, qsizetype files);

    // "[##########          ]  50% 5/10"
    static QByteArray Render(qsizetype done, qsizetype total);

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
