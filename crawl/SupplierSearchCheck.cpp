#include "crawl/SupplierSearchCheck.h"

#include "crawl/StartSearches.h"

namespace {

int RegistryIndex(PortalRegistry registry) {
    return static_cast<int>(registry);
}

QString SearchKey(const QString& inn, PortalRegistry registry) {
    return inn + u'|' + QString::number(RegistryIndex(registry));
}

}  // namespace

void SupplierSearchCheck::startSearchQueued(const QString& url) {
    const std::optional<PortalRegistry> registry = RegistryOfAddress(url);
    if (!registry) return;
    const QString inn = QueryParamValue(url, m_filters.nameFor(*registry));
    if (inn.isEmpty()) return;
    const QString key = SearchKey(inn, *registry);
    if (m_searchIndex.contains(key)) return;
    m_searchIndex.insert(key, static_cast<qsizetype>(m_searches.size()));
    m_searches.push_back(Search{inn, *registry, {}, {}, 0, false});
    m_startUrls.insert(url);
}

std::optional<qsizetype> SupplierSearchCheck::searchOf(const QString& url) const {
    const std::optional<PortalRegistry> registry = RegistryOfAddress(url);
    if (!registry) return std::nullopt;
    const QString& name = m_filters.nameFor(*registry);
    if (name.isEmpty()) return std::nullopt;
    const auto found = m_searchIndex.constFind(SearchKey(QueryParamValue(url, name), *registry));
    if (found == m_searchIndex.cend()) return std::nullopt;
    return *found;
}

SupplierSearchCheck::Probe& SupplierSearchCheck::probeOf(PortalRegistry registry) {
    return m_probes[static_cast<std::size_t>(RegistryIndex(registry))];
}

SupplierSearchCheck::FirstPage SupplierSearchCheck::firstPage(const QString& url, qint64 count) {
    if (!m_startUrls.contains(url)) return {};
    const std::optional<qsizetype> index = searchOf(url);
    if (!index) return {};
    Search& search = m_searches[static_cast<std::size_t>(*index)];
    if (!search.reported) search.reported = count;
    if (count < kProbeThreshold) return {};
    Probe& probe = probeOf(search.registry);
    switch (probe.state) {
        case Probe::NotAsked:
            // The same search without the filter: the fixed part holds everything else.
            probe.url = RemoveQueryParam(url, m_filters.nameFor(search.registry));
            probe.state = Probe::Pending;
            probe.held.push_back({url, count});
            return {FirstPage::Hold, probe.url, {}};
        case Probe::Pending:
            probe.held.push_back({url, count});
            return {FirstPage::Hold, {}, {}};
        case Probe::Answered:
            if (count < probe.total) return {};
            search.filterIgnored = true;
            return {FirstPage::Skip, {}, ignoredFilterLine(search, probe.total)};
        case Probe::Unknown:
            break;
    }
    return {};
}

bool SupplierSearchCheck::isProbe(const QString& url) const {
    for (const Probe& probe : m_probes) {
        if (probe.state != Probe::NotAsked && probe.url == url) return true;
    }
    return false;
}

std::vector<SupplierSearchCheck::Release> SupplierSearchCheck::probeAnswered(
    const QString& url, std::optional<qint64> total, QStringList& logLines) {
    std::vector<Release> released;
    for (Probe& probe : m_probes) {
        if (probe.state != Probe::Pending || probe.url != url) continue;
        probe.state = total ? Probe::Answered : Probe::Unknown;
        probe.total = total.value_or(0);
        if (!total) {
            logLines << QStringLiteral(
                            "Не удалось узнать, сколько записей в реестре без фильтра по "
                            "поставщику: применяет ли портал фильтр, не проверено: ") +
                            url;
        }
        for (const Release& held : std::exchange(probe.held, {})) {
            const std::optional<qsizetype> index = searchOf(held.url);
            if (total && index && held.total >= *total) {
                Search& search = m_searches[static_cast<std::size_t>(*index)];
                search.filterIgnored = true;
                const QString line = ignoredFilterLine(search, *total);
                if (!line.isEmpty()) logLines << line;
                continue;
            }
            released.push_back(held);
        }
    }
    return released;
}

// Said once per registry; the account names every INN it concerns.
QString SupplierSearchCheck::ignoredFilterLine(const Search& search, qint64 total) {
    Probe& probe = probeOf(search.registry);
    if (std::exchange(probe.warned, true)) return {};
    const QString line =
        QStringLiteral(
            "Портал, похоже, не применяет фильтр по поставщику в реестре %1: поиск с %2=%3 "
            "нашёл столько же записей (%4), сколько весь реестр за те же даты. Такие поиски "
            "не обходим. Если портал изменил параметр, исправьте %5 в settings.ini, раздел "
            "[Portal]")
            .arg(RegistryLabel(search.registry), m_filters.nameFor(search.registry), search.inn)
            .arg(total)
            .arg(SupplierFilters::settingKey(search.registry));
    m_ignoredFilterLines << line;
    return line;
}

void SupplierSearchCheck::cardListed(const QString& searchUrl, const QString& cardUrl) {
    const std::optional<qsizetype> index = searchOf(searchUrl);
    if (!index) return;
    Search& search = m_searches[static_cast<std::size_t>(*index)];
    if (search.listed.contains(cardUrl)) return;
    search.listed.insert(cardUrl);
    m_searchesOfCard[cardUrl].append(*index);
}

void SupplierSearchCheck::cardRead(const QString& cardUrl) {
    const auto found = m_searchesOfCard.constFind(cardUrl);
    if (found == m_searchesOfCard.cend()) return;
    for (qsizetype index : *found)
        ++m_searches[static_cast<std::size_t>(index)].read;
}

std::vector<SupplierSearchFigures> SupplierSearchCheck::figures(
    const std::function<bool(const QString& url)>& isStored,
    const std::function<QSet<QString>(const QString& inn)>& urlsNamingInn) const {
    std::vector<SupplierSearchFigures> result;
    QHash<QString, QSet<QString>> naming;  // per INN, asked once
    for (const Search& search : m_searches) {
        auto found = naming.find(search.inn);
        if (found == naming.end()) found = naming.insert(search.inn, urlsNamingInn(search.inn));
        SupplierSearchFigures figures{search.inn,
                                      search.registry,
                                      search.reported,
                                      static_cast<int>(search.listed.size()),
                                      search.read,
                                      0,
                                      0,
                                      search.filterIgnored};
        for (const QString& card : search.listed) {
            if (found->contains(card)) {
                ++figures.stored;
                ++figures.named;
            } else if (isStored(card)) {
                ++figures.stored;
            }
        }
        result.push_back(figures);
    }
    return result;
}

QStringList PrecisionWarnings(const std::vector<SupplierSearchFigures>& figures) {
    QStringList lines;
    for (PortalRegistry registry : kStartOrder) {
        QStringList poor;
        for (const SupplierSearchFigures& f : figures) {
            if (f.registry != registry || f.stored < SupplierSearchCheck::kPrecisionMinimum)
                continue;
            if (2 * f.named < f.stored)
                poor << QStringLiteral("ИНН %1 — в %2 из %3").arg(f.inn).arg(f.named).arg(f.stored);
        }
        if (poor.isEmpty()) continue;
        lines << QStringLiteral(
                     "Фильтр портала по поставщику, похоже, не отбирает поставщиков в реестре "
                     "%1: меньше половины найденных карточек называют искомый ИНН поставщиком "
                     "(%2). Если портал изменил параметр, исправьте %3 в settings.ini, раздел "
                     "[Portal]; полный обход реестров находит контракты без этого фильтра")
                     .arg(RegistryLabel(registry), poor.join(QStringLiteral("; ")),
                          SupplierFilters::settingKey(registry));
    }
    return lines;
}
