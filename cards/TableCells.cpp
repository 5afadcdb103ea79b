#include "cards/TableCells.h"

#include <algorithm>
#include <vector>

namespace {

// Reads cells of rows that lie in one text. It collects the "<td" positions
// once, so a row of many cells, or many rows sharing cells, is not scanned
// again for every cell.
class TCellReader {
public:
    explicit TCellReader(QStringView text)
        : m_text(text), m_tagEnds(text, u">"), m_closes(text, u"</td>") {
        for (qsizetype at = text.indexOf(u"<td"); at >= 0; at = text.indexOf(u"<td", at + 2))
            m_opens.push_back(at);
    }

    // The n-th cell of the row [begin, end) as [first, last); false when the
    // row has no such cell or the cell is not closed inside the row.
    bool cell(qsizetype begin, qsizetype end, int n, qsizetype& first, qsizetype& last) {
        if (n < 1) return false;
        const auto start = std::lower_bound(m_opens.begin(), m_opens.end(), begin);
        const qsizetype index = (start - m_opens.begin()) + (n - 1);
        if (index >= qsizetype(m_opens.size()) || m_opens[index] + 3 > end) return false;
        const qsizetype tagEnd = m_tagEnds.within(m_opens[index] + 2, end);
        if (tagEnd < 0) return false;
        const qsizetype close = m_closes.within(tagEnd + 1, end);
        if (close < 0) return false;
        first = tagEnd + 1;
        last = close;
        return true;
    }

    QStringView text() const { return m_text; }

private:
    QStringView m_text;
    std::vector<qsizetype> m_opens;
    TForwardFinder m_tagEnds;
    TForwardFinder m_closes;
};

}  // namespace

int FindInnColumn(QStringView headerHtml) {
    TForwardFinder opens(headerHtml, u"<th");
    TForwardFinder closes(headerHtml, u"</th>");
    TForwardFinder labels(headerHtml, u"ИНН");
    int count = 0;
    for (qsizetype at = opens.from(0); at >= 0; at = opens.from(at + 2)) {
        ++count;
        const qsizetype close = closes.from(at);
        if (close >= 0 && labels.within(at, close) >= 0) return count;
    }
    return 0;
}

QString GetTableCell(QStringView rowHtml, int n) {
    TCellReader reader(rowHtml);
    qsizetype first = 0;
    qsizetype last = 0;
    if (!reader.cell(0, rowHtml.size(), n, first, last)) return {};
    return rowHtml.sliced(first, last - first).toString();
}

TTableRows::TTableRows(QStringView body) : m_body(body), m_rowEnds(body, u"</tr>") {}

bool TTableRows::next() {
    const qsizetype open = m_body.indexOf(u"<tr", m_searchFrom);
    if (open < 0) return false;
    m_searchFrom = open + 3;
    m_begin = open + 3;
    const qsizetype close = m_rowEnds.from(m_begin);
    m_end = close < 0 ? m_begin : close;
    return true;
}

void ForEachColumnCell(QStringView body, int column,
                       const std::function<void(QStringView cell)>& visit) {
    TCellReader reader(body);
    TTableRows rows(body);
    qsizetype seenFirst = -2;  // no row seen yet
    qsizetype seenLast = -2;
    while (rows.next()) {
        qsizetype first = 0;
        qsizetype last = 0;
        if (!reader.cell(rows.begin(), rows.end(), column, first, last)) first = last = -1;
        // Rows opened inside another row end at the same "</tr>" and mostly
        // show the same cell; giving it once keeps nested markup linear.
        if (first == seenFirst && last == seenLast) continue;
        seenFirst = first;
        seenLast = last;
        visit(first < 0 ? QStringView() : body.sliced(first, last - first));
    }
}

void SplitToList(QStringView text, QStringView delimiter, QStringList& list) {
    // An empty delimiter would be found at the start of every rest for ever.
    if (delimiter.isEmpty()) {
        list.append(text.toString());
        return;
    }
    qsizetype from = 0;
    for (qsizetype at = text.indexOf(delimiter); at >= 0; at = text.indexOf(delimiter, from)) {
        list.append(text.sliced(from, at - from).toString());
        from = at + delimiter.size();
    }
    list.append(text.sliced(from).toString());
}
