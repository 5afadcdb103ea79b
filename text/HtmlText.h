#pragma once

#include <QString>
#include <QStringView>

// Turning HTML fragments cut out of portal pages into plain text. Both are pure
// functions over UTF-16 code units, linear in the input, callable from any thread.

// Decodes the references &amp; &lt; &gt; &laquo; &raquo; &nbsp; &quot; and
// numeric ones (&#65; &#x41; &#$41;), the latter to the low 16 bits of their
// value. Other references are copied unchanged; a trailing "&" is dropped.
QString HtmlDecode(QStringView html);

// HtmlDecode, then a fixed list of further replacements (named references
// that survived decoding, "<br>", line breaks), then removal of everything
// from "<" to the next ">". The result is not trimmed.
QString HtmlToText(QStringView html);
