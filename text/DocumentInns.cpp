#include "text/DocumentInns.h"

// Document conversion is not wired in yet: no document yields INNs.
QStringList FindDocumentInns(const QString& /*document*/, const QString& /*textExtractor*/,
                             const QString& /*pageRenderer*/, const QString& /*ocrEngine*/) {
    return {};
}
