#include "cards/CardHandlerTable.h"

#include "cards/Card223.h"
#include "cards/Card44.h"
#include "cards/CardCapitalRepair.h"
#include "cards/NoticePath223.h"
#include "cards/SupplierList223.h"

CardHandlers MakeCardHandlers() {
    CardHandlers handlers;
    handlers.card44 = ParseCard44;
    handlers.cardCapitalRepair = ParseCardCapitalRepair;
    handlers.card223 = ParseCard223;
    handlers.notice223 = ParseNotice223;
    handlers.noticeDocuments223 = ParseNoticeDocuments223;
    handlers.supplierList223 = ParseSupplierList223;
    handlers.documentInns = ApplyDocumentInns;
    return handlers;
}
