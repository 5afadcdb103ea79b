#include "fetch/JobString.h"

#include <array>
#include <utility>

SplitJob SplitJobString(const QString& job) {
    static const QString separator = QStringLiteral("|||");
    const qsizetype at = job.indexOf(separator);
    if (at < 0) return {job, {}};
    return {job.left(at), job.mid(at + separator.size())};
}

int PageKindOfUrl(QStringView url) {
    static constexpr std::array<std::pair<QStringView, int>, 8> kPatterns{{
        {u"/results.html?", PageKindResultList},
        {u"contractCard/common-info.html?", PageKindContractCard},
        {u"contract-info.html?", PageKindContractCard},
        {u"general-info.html?", PageKindContractCard},
        {u"notice223/common-info.html?", PageKindNotice223},
        {u"/documents.html?", PageKindNoticeDocuments},
        {u"/supplier-info.html?", PageKindSupplierList223},
        {u"/download/", PageKindDownload},
    }};
    for (const auto& [pattern, kind] : kPatterns) {
        if (url.contains(pattern)) return kind;
    }
    return PageKindOther;
}

bool IsDownloadUrl(QStringView url) {
    return url.contains(u"/download/");
}
