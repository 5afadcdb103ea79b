#pragma once

#include <QString>
#include <QStringView>

// A job string is an absolute address, optionally followed by "|||" and the
// address of the contract card the job belongs to.
struct SplitJob {
    QString url;        // the address to fetch
    QString canonical;  // the card address after "|||", empty when none
};

SplitJob SplitJobString(const QString& job);

// Page kinds handed back by a fetch worker.
enum PageKind : int {
    PageKindNothing = 0,  // stopped before any attempt ended
    PageKindFailed = -1,  // the last attempt failed
    PageKindResultList = 1,
    PageKindContractCard = 2,
    PageKindNotice223 = 3,
    PageKindNoticeDocuments = 4,
    PageKindSupplierList223 = 5,
    PageKindDownload = 6,
    PageKindOther = 10,
};

// The kind of page an address leads to, by the first of the address patterns
// that it contains.
int PageKindOfUrl(QStringView url);

// A job whose address contains "/download/" is a document download.
bool IsDownloadUrl(QStringView url);
