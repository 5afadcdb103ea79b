#include "crawl/RunHealth.h"

void RunHealth::startSearchQueued(const QString& url) {
    m_startSearches << url;
}

void RunHealth::jobFinished(const QString& url, int kind) {
    if (kind > 0) ++m_pagesReceived;
    if (kind < 0 && m_startSearches.contains(url)) ++m_startSearchFailures;
}

bool RunHealth::startSearchesFailed() const {
    return !m_startSearches.isEmpty() && m_startSearchFailures >= m_startSearches.size();
}

QString RunHealth::failureText(const QString& portalBase) const {
    if (noPageReceived()) {
        return QStringLiteral(
                   "не получено ни одной страницы портала %1 — сбор данных не удался. "
                   "Проверьте адрес портала, подключение к интернету и настройки "
                   "прокси")
            .arg(portalBase);
    }
    if (startSearchesFailed()) {
        return QStringLiteral(
            "не загрузился ни один из трёх начальных поисков портала — сбор "
            "данных не удался");
    }
    return {};
}
