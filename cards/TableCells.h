#pragma once

#include "cards/ForwardFinder.h"

#include <QString>
#include <QStringList>
#include <QStringView>
#include <functional>

// Reading the supplier tables of contract cards by marker texts. Pure
// functions, callable from any thread. Positions are 1-based where a result
// is a position.

// The 1-based number of the first "<th" header cell whose text (its own tag's
// attributes included) contains "ИНН"; 0 when there is none.
int FindInnColumn(QStringView headerHtml);

// The inner HTML of the n-th "<td" cell of a table row: from the end of the
// cell's opening tag up to the next "</td>". Empty when the row has fewer than
// n cells or n is below 1.
QString GetTableCell(QStringView rowHtml, int n);

// The rows of a table body, one for every "<tr" in order: the text after that
// "<tr" up to the next "</tr>", empty when no "</tr>" follows. Rows overlap
// when a "<tr" stands inside a row; each of them counts. 0-based offsets into
// the body, which must outlive the walker.
class TTableRows {
public:
    explicit TTableRows(QStringView body);

    // Moves to the next row; false when there is none.
    bool next();
    qsizetype begin() const { return m_begin; }
    qsizetype end() const { return m_end; }

private:
    QStringView m_body;
    TForwardFinder m_rowEnds;
    qsizetype m_searchFrom = 0;
    qsizetype m_begin = 0;
    qsizetype m_end = 0;
};

// Calls visit with the inner HTML of the column-th cell (as GetTableCell) of
// every row of the body (as TTableRows), in row order. A row that shows the
// same cell as the row before it (a "<tr" inside a row) is not visited again.
void ForEachColumnCell(QStringView body, int column,
                       const std::function<void(QStringView cell)>& visit);

// Appends to list the pieces of text between delimiters, empty ones included.
void SplitToList(QStringView text, QStringView delimiter, QStringList& list);
