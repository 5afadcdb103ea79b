#pragma once

#include "crawl/RunWindow.h"
#include "platform/GeneralError.h"

#include <QStringList>
#include <optional>

using namespace Qt::StringLiterals;

// The window side of a run for tests: records what the run shows.
class RecordingWindow : public IRunWindow {
public:
    void clearLog() override { lines.clear(); }
    void appendLogLine(const QString& line) override { lines << line; }
    QStringList logLines() const override { return lines; }
    void setRunControlsEnabled(bool enabled) override { controlsEnabled = enabled; }
    void setProgress(int position, int maximum) override {
        progressPosition = position;
        progressMaximum = maximum;
    }
    void setProgressPosition(int position) override { progressPosition = position; }
    void setTendersCounterText(const QString& text) override { counterText = text; }
    RunSettings runSettings() const override { return settings; }
    // From the failInnListReadsFrom-th read on (counting from 0), the read fails.
    QString innListText() const override {
        if (failInnListReadsFrom >= 0 && innListReads++ >= failInnListReadsFrom) {
            throw EGeneralError(u"Список ИНН недоступен"_s);
        }
        return innList;
    }
    void showRunSummary(const RunSummary& shown) override { summary = shown; }

    // Index of the first line containing the text at or after `from`; -1 when none.
    int find(const QString& text, int from = 0) const {
        for (int i = from; i < lines.size(); ++i) {
            if (lines[i].contains(text)) return i;
        }
        return -1;
    }
    int count(const QString& text) const { return static_cast<int>(lines.filter(text).size()); }

    QStringList lines;
    bool controlsEnabled = true;
    int progressPosition = 0;
    int progressMaximum = 0;
    QString counterText;
    RunSettings settings;
    QString innList = QStringLiteral("7701234567");
    std::optional<RunSummary> summary;
    int failInnListReadsFrom = -1;
    mutable int innListReads = 0;
};
