#include "app/cli/ConsoleWindow.h"

#include <unistd.h>

ConsoleWindow::ConsoleWindow(RunSettings settings, QString innList)
    : m_settings(settings), m_innList(std::move(innList)), m_terminal(isatty(STDERR_FILENO)) {}

void ConsoleWindow::clearLog() {
    m_lines.clear();
}

void ConsoleWindow::appendLogLine(const QString& line) {
    clearProgress();
    // A line holding CR LF shows, and is kept, as several lines.
    QString text = line;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    m_lines << text.split(QLatin1Char('\n'));
    // The run's log file keeps every line; memory keeps the last ones.
    if (m_lines.size() > kShownLogLines) m_lines.remove(0, m_lines.size() - kShownLogLines);
    std::fputs(text.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
    drawProgress();
}

void ConsoleWindow::showRunSummary(const RunSummary& summary) {
    m_summary = summary;
    if (isatty(STDOUT_FILENO)) return;
    clearProgress();
    for (const QString& line : summary.lines()) {
        std::fputs(line.toUtf8().constData(), stderr);
        std::fputc('\n', stderr);
    }
    std::fflush(stderr);
}

// A position put back to 0 after progress is the end of the run (or a stop):
// the bar is not drawn again then, as "0 из N" would say nothing was done.
void ConsoleWindow::setProgress(int position, int maximum) {
    if (position == 0 && m_position > 0) maximum = 0;
    m_position = position;
    m_maximum = maximum;
    drawProgress();
}

void ConsoleWindow::setProgressPosition(int position) {
    if (position == 0 && m_position > 0) m_maximum = 0;
    m_position = position;
    drawProgress();
}

void ConsoleWindow::setProgressDetail(const QString& detail) {
    m_detail = detail;
}

void ConsoleWindow::setTendersCounterText(const QString& text) {
    m_counter = text;
    drawProgress();
}

void ConsoleWindow::drawProgress() {
    if (!m_terminal || m_maximum <= 0) return;
    constexpr int kWidth = 30;
    const int filled = qBound(0, m_position * kWidth / m_maximum, kWidth);
    const QString bar = QString(filled, QLatin1Char('#')) + QString(kWidth - filled, u'.');
    QString text = QStringLiteral("\r[%1] %2 из %3, в очереди %4  %5")
                       .arg(bar)
                       .arg(m_position)
                       .arg(m_maximum)
                       .arg(m_maximum - m_position)
                       .arg(m_counter);
    if (!m_detail.isEmpty()) text += QStringLiteral("  ") + m_detail;
    std::fputs(text.toUtf8().constData(), stderr);
    std::fflush(stderr);
    m_progressShown = true;
}

void ConsoleWindow::clearProgress() {
    if (!m_progressShown) return;
    std::fputs("\r\033[K", stderr);
    m_progressShown = false;
}

void ConsoleWindow::finish() {
    clearProgress();
}
