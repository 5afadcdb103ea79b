#include "fetch/Rotation.h"

std::atomic<int> UserAgentIndex{0};
std::atomic<int> ProxyIndex{0};

namespace {

// The index after the one handed out last; the first entry comes last in each
// cycle. A list shorter than the stored index (a new run) restarts at 0.
int Advance(const std::atomic<int>& index, qsizetype count) {
    const int next = index.load(std::memory_order_relaxed) + 1;
    return next >= count ? 0 : next;
}

}  // namespace

QString NextUserAgent(const QStringList& userAgents) {
    const int i = Advance(UserAgentIndex, userAgents.size());
    QString result = userAgents.isEmpty() ? DefaultUserAgent.toString() : userAgents[i];
    UserAgentIndex.store(i, std::memory_order_relaxed);
    return result;
}

void NextProxy(const QStringList& proxies, QString& entry) {
    if (proxies.isEmpty()) return;
    const int i = Advance(ProxyIndex, proxies.size());
    entry = proxies[i];
    ProxyIndex.store(i, std::memory_order_relaxed);
}

void ResetRotationForTesting() {
    UserAgentIndex.store(0, std::memory_order_relaxed);
    ProxyIndex.store(0, std::memory_order_relaxed);
}
