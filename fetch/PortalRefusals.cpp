#include "fetch/PortalRefusals.h"

void PortalRefusals::note(int statusCode) {
    if (statusCode == 0) return;
    if (statusCode != 403 && statusCode != 429) {
        m_streak.store(0);
        m_status.store(0);
        return;
    }
    // Workers race here only when answers come back at the same moment; a
    // streak miscounted by one then ends the run one answer sooner or later.
    if (m_status.exchange(statusCode) != statusCode) m_streak.store(0);
    if (m_streak.fetch_add(1) + 1 < kRefusalsToEnd) return;
    int none = 0;
    m_ending.compare_exchange_strong(none, statusCode);
}

QString PortalRefusals::reason(int status) {
    const QString what = status == 429 ? QStringLiteral("портал просит реже обращаться (429)")
                                       : QStringLiteral("портал отказывает в доступе (403)");
    return what + QStringLiteral(
                      ": %1 ответов подряд, сбор прерван. Увеличьте интервал между запросами, "
                      "включите прокси (proxy.txt) или повторите запуск позже")
                      .arg(kRefusalsToEnd);
}
