#include "fetch/ProxyHealth.h"

#include "fetch/Rotation.h"

bool ProxyHealth::noteFailure(const QString& entry, bool timedOut) {
    if (entry.isEmpty()) return false;
    std::lock_guard lock(m_mutex);
    if (!timedOut || m_dropped.contains(entry)) return false;
    if (++m_timeouts[entry] < kTimeoutsToDrop) return false;
    m_dropped << entry;
    return true;
}

void ProxyHealth::noteAnswer(const QString& entry) {
    std::lock_guard lock(m_mutex);
    m_timeouts.erase(entry);
}

bool ProxyHealth::next(const QStringList& proxies, QString& entry) const {
    std::lock_guard lock(m_mutex);
    QString candidate = entry;
    for (qsizetype tried = 0; tried < proxies.size(); ++tried) {
        NextProxy(proxies, candidate);
        if (!m_dropped.contains(candidate)) {
            entry = candidate;
            return true;
        }
    }
    return proxies.isEmpty();  // no list: a direct connection, as without this watch
}

bool ProxyHealth::allDropped(const QStringList& proxies) const {
    std::lock_guard lock(m_mutex);
    if (proxies.isEmpty()) return false;
    for (const QString& entry : proxies) {
        if (!m_dropped.contains(entry)) return false;
    }
    return true;
}

QStringList ProxyHealth::dropped() const {
    std::lock_guard lock(m_mutex);
    return m_dropped;
}

QString ProxyDroppedText(const QString& name, int timeouts) {
    return QStringLiteral(
               "Прокси %1 не отвечает (%2 раза подряд истекло время ожидания) и до конца "
               "запуска исключён из списка")
        .arg(name)
        .arg(timeouts);
}

QString NoProxyLeftText(const QStringList& names) {
    return QStringLiteral(
               "ни один прокси-сервер не отвечает (исключены: %1), сбор прерван. Проверьте "
               "прокси в proxy.txt или запустите сбор без прокси")
        .arg(names.join(QStringLiteral(", ")));
}
