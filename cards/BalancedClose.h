#pragma once

#include <QStringView>
#include <unordered_map>

// Finding the closing tag that balances an element opened at a position, in
// markup read as plain text (a "<div" opens, a "</div>" closes). Callable from
// any thread.

// The 1-based position of the first closeTag at or after from (1-based) such
// that the text from from up to the end of that closeTag holds as many
// openTags as closeTags; 0 when there is none or from is below 1.
qsizetype FindBalancedClose(QStringView text, QStringView openTag, QStringView closeTag,
                            qsizetype from);

// The same answers for every openTag of one text, worked out in one pass, for
// loops that ask for many elements of one block: asking FindBalancedClose for
// each of many nested or unclosed elements would scan the rest of the text
// once per element. The text must outlive the index. Positions 0-based.
class TBalancedCloses {
public:
    TBalancedCloses(QStringView text, QStringView openTag, QStringView closeTag);

    // The closeTag balancing the openTag that starts at open, or -1.
    qsizetype closeOf(qsizetype open) const;

private:
    std::unordered_map<qsizetype, qsizetype> m_closes;
};
