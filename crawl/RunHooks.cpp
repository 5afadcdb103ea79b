#include "crawl/RunHooks.h"

EReportStageError::EReportStageError(const QString& message, QStringList reportFiles)
    : EGeneralError(message), m_reportFiles(std::move(reportFiles)) {}
