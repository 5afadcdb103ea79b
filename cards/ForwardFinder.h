#pragma once

#include <QStringView>

// Finds the first occurrence of a needle at or after a position, remembering
// its last answer. Loops over a page ask with positions that never go back, so
// a page full of openings without their closing text costs one scan instead of
// one scan per opening. The text must outlive the finder. Positions 0-based.
class TForwardFinder {
public:
    TForwardFinder(QStringView text, QStringView needle) : m_text(text), m_needle(needle) {}

    // The first occurrence at or after from, or -1.
    qsizetype from(qsizetype from) {
        const bool reusable = m_asked >= 0 && from >= m_asked && (m_found < 0 || m_found >= from);
        if (!reusable) m_found = m_needle.isEmpty() ? -1 : m_text.indexOf(m_needle, from);
        m_asked = from;
        return m_found;
    }

    // The first occurrence at or after from that ends at or before end, or -1.
    qsizetype within(qsizetype from, qsizetype end) {
        const qsizetype at = this->from(from);
        return at >= 0 && at + m_needle.size() <= end ? at : -1;
    }

    qsizetype needleSize() const { return m_needle.size(); }

private:
    QStringView m_text;
    QStringView m_needle;
    qsizetype m_asked = -1;
    qsizetype m_found = -1;
};
