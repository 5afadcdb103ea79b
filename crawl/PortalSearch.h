#pragma once

#include <QDate>
#include <QString>
#include <array>
#include <optional>

// The portal's contract registries and the operations on their search
// addresses. Addresses are absolute (PortalBase, a path and a query) and are
// sent exactly as built: nothing here encodes or decodes. Pure functions apart
// from PortalBase, callable from any thread.

enum class PortalRegistry { Contracts44, CapitalRepairs, Contracts223 };

// What the system knows of one registry's search addresses.
struct PortalRegistryInfo {
    QString searchPath;      // "/epz/…/search/results.html"
    QString marker;          // contained in every search address of the registry
    QString startFixedPart;  // start address after PortalBase, up to the date-from value
    QString dateFromName;
    QString dateToName;
    QString priceFromName;
    QString priceToName;
    // The stage filter as the fixed part holds it (the first stage only), and the same
    // parameters asking for every stage the registry's search form offers.
    QString firstStageOnly;
    QString allStages;
};

// Which contract stages the start searches ask for: the first stage only (contracts being
// executed), or every stage (also executed, ended and annulled contracts).
enum class ContractStages { FirstOnly, All };

// The stages as the run's account names them.
QString StagesText(ContractStages stages);

const PortalRegistryInfo& RegistryInfo(PortalRegistry registry);

// The order in which a run queues its three start searches.
inline constexpr std::array<PortalRegistry, 3> kStartOrder = {
    PortalRegistry::Contracts223, PortalRegistry::CapitalRepairs, PortalRegistry::Contracts44};

// Price bounds of a search whose address names none.
inline constexpr qint64 kLowestPrice = 0;
inline constexpr qint64 kHighestPrice = 10000000000LL;

// The portal's scheme and host, "https://zakupki.gov.ru" unless overridden
// (settings, the portal replica of the tests). Guarded by a lock.
QString PortalBase();
void SetPortalBase(const QString& base);

// True for an address the run may fetch: it starts with PortalBase and "/"
// (letter case of the base ignored), is at most 8192 characters long, and
// holds no blank, control character, quote, "<", ">" or "|||" that would break
// the request or the job string. Links read from pages pass this test before
// they are queued, so a page cannot lead the run to another host.
bool IsSafePortalAddress(const QString& address);

// One spelling of an address, so that a contract linked two ways is one
// contract: the scheme and host in lower case, the default port (":443" for
// https, ":80" for http) dropped, "%2E" in the path decoded and the path's
// "." and ".." segments removed. The query is kept as it stands; nothing else
// is encoded or decoded. Links read from pages take this form before they are
// checked (IsSafePortalAddress), queued and stored.
QString NormalizePortalAddress(const QString& address);

// PortalBase + the registry's fixed part + fromText + "&" + date-to name + "=" + toText.
// Date texts are "dd.mm.yyyy" or empty. With every stage, the fixed part's stage filter
// names all the registry's stages instead of the first.
QString BuildStartAddress(PortalRegistry registry, const QString& fromText, const QString& toText,
                          ContractStages stages = ContractStages::FirstOnly);

// The earliest conclusion date the registries hold: 223-FZ, the oldest of the three laws,
// took effect on 1 January 2012 (44-FZ on 1 January 2014, the capital-repair decree in
// 2016). A search with an open from-date is split from this day.
QDate EarliestConclusionDate();

// The registry whose marker the address contains (tested 44-FZ, capital
// repairs, 223-FZ; the first match decides), or none.
std::optional<PortalRegistry> RegistryOfAddress(const QString& url);

// The text after the first "&" + name + "=" up to the next "&" or the end;
// empty when absent.
QString QueryParamValue(const QString& url, const QString& name);

// The address without the first "?name=…" (else the first "&name=…"), cut up
// to the next "&" or the end; after "?" the next parameter takes its place
// ("r.html?a=1&b=2" without a is "r.html?b=2"). Unchanged when it is absent.
QString RemoveQueryParam(const QString& url, const QString& name);

// The address without any of the six date (resp. four price) parameters of
// all registries; the other parameters keep their order.
QString DateSplitBase(const QString& url);
QString PriceSplitBase(const QString& url);

// base + "&" + fromName + "=" + fromValue + "&" + toName + "=" + toValue.
QString AppendRange(const QString& base, const QString& fromName, const QString& fromValue,
                    const QString& toName, const QString& toValue);

// The address with its pageNumber removed and "&pageNumber=" + number appended.
QString NextPageAddress(const QString& url, const QString& pageNumberText);

// True for the first page of a search: the address contains "pageNumber=1&".
bool IsFirstPage(const QString& url);
