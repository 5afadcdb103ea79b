// Requests per second that one HTTP session achieves against the portal
// replica over HTTPS, directly and through a local tinyproxy: with the
// connection kept, and with a new session (new connection and TLS handshake)
// per request, as each fetch worker has.
#include "fetch/HttpSession.h"
#include "replica/PortalReplica.h"
#include "tests/fetch/ProxyServer.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <stdexcept>

namespace {

// One replica and one proxy for all benchmarks of the process.
struct Servers {
    PortalReplica replica;
    std::unique_ptr<ProxyServer> proxy;
    Servers() {
        replica.start();
        if (ProxyServer::available()) proxy = std::make_unique<ProxyServer>("user", "pass");
    }
};

Servers& TheServers() {
    static Servers servers;
    return servers;
}

QString PageUrl() {
    return QString::fromStdString(TheServers().replica.baseUrl() + "/gzip");
}

HttpSession NewSession(bool viaProxy) {
    HttpSessionSettings settings;
    settings.userAgent = "bench";
    HttpSession session(settings);
    if (viaProxy) {
        if (!TheServers().proxy) throw std::runtime_error("tinyproxy is not installed");
        session.proxy() = {"127.0.0.1", TheServers().proxy->port(), "user", "pass"};
    }
    return session;
}

void Fetch(benchmark::State& state, HttpSession& session, const QString& url) {
    const HttpResponse response = session.get(url);
    if (!response.ok) state.SkipWithError(response.errorMessage.toStdString().c_str());
}

void KeptConnection(benchmark::State& state, bool viaProxy) {
    HttpSession session = NewSession(viaProxy);
    const QString url = PageUrl();
    for (auto _ : state)
        Fetch(state, session, url);
    state.SetItemsProcessed(state.iterations());
}

void SessionPerRequest(benchmark::State& state, bool viaProxy) {
    const QString url = PageUrl();
    for (auto _ : state) {
        HttpSession session = NewSession(viaProxy);
        Fetch(state, session, url);
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_DirectKeptConnection(benchmark::State& state) {
    KeptConnection(state, false);
}
void BM_DirectSessionPerRequest(benchmark::State& state) {
    SessionPerRequest(state, false);
}
void BM_ProxyKeptConnection(benchmark::State& state) {
    KeptConnection(state, true);
}
void BM_ProxySessionPerRequest(benchmark::State& state) {
    SessionPerRequest(state, true);
}

}  // namespace

BENCHMARK(BM_DirectKeptConnection)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_DirectSessionPerRequest)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_ProxyKeptConnection)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_ProxySessionPerRequest)->UseRealTime()->MinTime(2.0);

BENCHMARK_MAIN();
