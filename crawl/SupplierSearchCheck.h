#pragma once

#include "crawl/RunSummary.h"
#include "crawl/SupplierFilters.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <optional>
#include <vector>

// What the search by INN learns of the portal's supplier filter, per listed INN and registry:
// the total each start search reported, the cards its result pages listed and those read. Two
// guards keep the search honest:
// - a start search reporting 1000 records or more is held until the registry's total over the
//   same dates without the filter is known (one extra request per registry and run): a
//   filtered search reporting as many records as that is not walked, since the portal ignored
//   the filter and walking it would crawl the whole registry once per INN;
// - at the end, a search whose stored cards name the INN as supplier in fewer than half of
//   them (at least kPrecisionMinimum) gives a warning that the filter seems not to select
//   suppliers, naming the setting to change.
// Controller thread only, one per run.
class SupplierSearchCheck {
public:
    // Filtered start searches reporting fewer records are walked without asking the total.
    static constexpr qint64 kProbeThreshold = 1000;
    // Stored cards a search needs before its precision is judged.
    static constexpr int kPrecisionMinimum = 10;

    void setFilters(const SupplierFilters& filters) { m_filters = filters; }

    // A start search of the search by INN, in the order the run queues them.
    void startSearchQueued(const QString& url);

    // What to do with the first page of a search that reported count records.
    struct FirstPage {
        enum Action { Go, Hold, Skip } action = Go;  // go on as usual, wait for the total, drop
        QString probe;    // an address to queue at the head: the registry's unfiltered search
        QString logLine;  // a line for the log, or empty
    };
    FirstPage firstPage(const QString& url, qint64 count);

    // True for the unfiltered search asked for a registry's total.
    bool isProbe(const QString& url) const;

    // A held start search the unfiltered total cleared: to be split (or walked) now.
    struct Release {
        QString url;
        qint64 total = 0;
    };
    // The unfiltered search's total (none: its page was not read, then every held search
    // goes on unchecked). Gives the held searches to go on with; lines for the log.
    std::vector<Release> probeAnswered(const QString& url, std::optional<qint64> total,
                                       QStringList& logLines);

    // A card a result page listed; the searches it counts for are those of the page's INN.
    void cardListed(const QString& searchUrl, const QString& cardUrl);
    // A contract card read in this run.
    void cardRead(const QString& cardUrl);

    // The figures per INN and registry, in start-search order. isStored tells a stored card;
    // urlsNamingInn gives the stored cards linked to an INN.
    std::vector<SupplierSearchFigures> figures(
        const std::function<bool(const QString& url)>& isStored,
        const std::function<QSet<QString>(const QString& inn)>& urlsNamingInn) const;

    // The lines said about registries whose filter the portal ignored, for the run's account.
    const QStringList& ignoredFilterLines() const { return m_ignoredFilterLines; }

private:
    struct Search {
        QString inn;
        PortalRegistry registry = PortalRegistry::Contracts44;
        std::optional<qint64> reported;
        QSet<QString> listed;
        int read = 0;
        bool filterIgnored = false;
    };
    struct Probe {
        enum State { NotAsked, Pending, Answered, Unknown } state = NotAsked;
        qint64 total = 0;
        QString url;
        std::vector<Release> held;
        bool warned = false;  // the ignored filter said for this registry
    };

    std::optional<qsizetype> searchOf(const QString& url) const;
    Probe& probeOf(PortalRegistry registry);
    QString ignoredFilterLine(const Search& search, qint64 total);

    SupplierFilters m_filters;
    std::vector<Search> m_searches;
    QHash<QString, qsizetype> m_searchIndex;            // inn + "|" + registry -> m_searches
    QSet<QString> m_startUrls;                          // the start searches
    QHash<QString, QList<qsizetype>> m_searchesOfCard;  // card url -> searches that listed it
    std::array<Probe, 3> m_probes;
    QStringList m_ignoredFilterLines;
};

// The warnings of a search by INN's figures: for each registry, one line when some search's
// stored cards name its INN as supplier in fewer than half of them.
QStringList PrecisionWarnings(const std::vector<SupplierSearchFigures>& figures);
