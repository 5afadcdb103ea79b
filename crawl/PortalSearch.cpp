#include "crawl/PortalSearch.h"

#include <QList>
#include <QMutex>
#include <QMutexLocker>
#include <QStringList>

namespace {

// "Дате размещения", percent-encoded: the portal's search-filter value.
#define CF_SEARCH_FILTER                                                                          \
    "search-filter=%D0%94%D0%B0%D1%82%D0%B5+%D1%80%D0%B0%D0%B7%D0%BC%D0%B5%D1%89%D0%B5%D0%BD%D0%" \
    "B8%D1%8F"

// Built on first use, so addresses built during static initialisation elsewhere see them.
const PortalRegistryInfo& Contracts44() {
    static const PortalRegistryInfo info{
        QStringLiteral("/epz/contract/search/results.html"),
        QStringLiteral("contract/search/results.html?"),
        QStringLiteral(
            "/epz/contract/search/results.html?morphology=on&" CF_SEARCH_FILTER
            "&fz44=on&contractStageList_0=on&contractStageList=0&currencyCode=ANY"
            "&budgetLevelsIdNameHidden=%7B%7D&countryRegIdNameHidden=%7B%7D&sortBy=UPDATE_DATE"
            "&pageNumber=1&sortDirection=false&recordsPerPage=_50&showLotsInfoHidden=false"
            "&contractDateFrom="),
        QStringLiteral("contractDateFrom"),
        QStringLiteral("contractDateTo"),
        QStringLiteral("contractPriceFrom"),
        QStringLiteral("contractPriceTo"),
        QStringLiteral("contractStageList_0=on&contractStageList=0&"),
        QStringLiteral("contractStageList_0=on&contractStageList_1=on&contractStageList_2=on"
                       "&contractStageList_3=on&contractStageList=0%2C1%2C2%2C3&")};
    return info;
}

const PortalRegistryInfo& CapitalRepairs() {
    static const PortalRegistryInfo info{
        QStringLiteral("/epz/capitalrepairs/search/results.html"),
        QStringLiteral("capitalrepairs/search/results.html?"),
        QStringLiteral("/epz/capitalrepairs/search/results.html?morphology=on&" CF_SEARCH_FILTER
                       "&contractStage_0=on&contractStage=0&selectedSubjectsIdNameHidden=%7B%7D"
                       "&sortBy=UPDATE_DATE&pageNumber=1&sortDirection=false&recordsPerPage=_50"
                       "&showLotsInfoHidden=false&capitalDateOfContractConclusionFrom="),
        QStringLiteral("capitalDateOfContractConclusionFrom"),
        QStringLiteral("capitalDateOfContractConclusionTo"),
        QStringLiteral("priceFrom"),
        QStringLiteral("priceTo"),
        QStringLiteral("contractStage_0=on&contractStage=0&"),
        QStringLiteral("contractStage_0=on&contractStage_1=on&contractStage_2=on"
                       "&contractStage=0%2C1%2C2&")};
    return info;
}

const PortalRegistryInfo& Contracts223() {
    static const PortalRegistryInfo info{
        QStringLiteral("/epz/contractfz223/search/results.html"),
        QStringLiteral("contractfz223/search/results.html?"),
        QStringLiteral("/epz/contractfz223/search/results.html?morphology=on&" CF_SEARCH_FILTER
                       "&statuses_0=on&statuses=0&currencyId=-1&sortBy=BY_UPDATE_DATE"
                       "&pageNumber=1&sortDirection=false&recordsPerPage=_50"
                       "&showLotsInfoHidden=false&contract223DateFrom="),
        QStringLiteral("contract223DateFrom"),
        QStringLiteral("contract223DateTo"),
        QStringLiteral("priceFrom"),
        QStringLiteral("priceTo"),
        QStringLiteral("statuses_0=on&statuses=0&"),
        QStringLiteral("statuses_0=on&statuses_1=on&statuses_2=on&statuses_3=on"
                       "&statuses=0%2C1%2C2%2C3&")};
    return info;
}

#undef CF_SEARCH_FILTER

// The registries in the order their markers are tested.
constexpr std::array<PortalRegistry, 3> kMarkerOrder = {
    PortalRegistry::Contracts44, PortalRegistry::CapitalRepairs, PortalRegistry::Contracts223};

QMutex gPortalBaseLock;

QString& PortalBaseValue() {
    static QString base = QStringLiteral("https://zakupki.gov.ru");
    return base;
}

}  // namespace

const PortalRegistryInfo& RegistryInfo(PortalRegistry registry) {
    switch (registry) {
        case PortalRegistry::Contracts44:
            return Contracts44();
        case PortalRegistry::CapitalRepairs:
            return CapitalRepairs();
        case PortalRegistry::Contracts223:
            break;
    }
    return Contracts223();
}

QString PortalBase() {
    QMutexLocker lock(&gPortalBaseLock);
    return PortalBaseValue();
}

void SetPortalBase(const QString& base) {
    QMutexLocker lock(&gPortalBaseLock);
    PortalBaseValue() = base;
}

bool IsSafePortalAddress(const QString& address) {
    constexpr qsizetype kMaxAddressLength = 8192;
    if (address.size() > kMaxAddressLength) return false;
    if (!address.startsWith(PortalBase() + u'/', Qt::CaseInsensitive) &&
        !address.startsWith(NormalizePortalAddress(PortalBase()) + u'/', Qt::CaseInsensitive))
        return false;
    for (const QChar c : address) {
        if (c.unicode() <= 0x20 || c == u'"' || c == u'\'' || c == u'<' || c == u'>' ||
            c == QChar(0x7F))
            return false;
    }
    return !address.contains(u"|||");
}

namespace {

// RFC 3986, 5.2.4, on a path beginning with "/".
QString removeDotSegments(QStringView path) {
    QStringList kept;
    bool trailingSlash = false;
    const QList<QStringView> segments = path.mid(1).split(u'/');
    for (const QStringView segment : segments) {
        trailingSlash = segment == u"." || segment == u"..";
        if (segment == u"..") {
            if (!kept.isEmpty()) kept.removeLast();
        } else if (segment != u".") {
            kept.append(segment.toString());
        }
    }
    QString result = u'/' + kept.join(u'/');
    if (trailingSlash && !result.endsWith(u'/')) result += u'/';
    return result;
}

}  // namespace

QString NormalizePortalAddress(const QString& address) {
    const qsizetype schemeEnd = address.indexOf(u"://");
    if (schemeEnd <= 0) return address;
    const QString scheme = address.left(schemeEnd).toLower();
    const qsizetype hostStart = schemeEnd + 3;
    qsizetype pathStart = hostStart;
    while (pathStart < address.size() && address.at(pathStart) != u'/' &&
           address.at(pathStart) != u'?' && address.at(pathStart) != u'#')
        ++pathStart;
    QString host = address.mid(hostStart, pathStart - hostStart);
    if (host.contains(u'@')) return address;  // user information: not a portal address
    host = host.toLower();
    if ((scheme == u"https" && host.endsWith(u":443")) ||
        (scheme == u"http" && host.endsWith(u":80")))
        host.truncate(host.lastIndexOf(u':'));
    qsizetype queryStart = address.indexOf(u'?', pathStart);
    const qsizetype fragment = address.indexOf(u'#', pathStart);
    if (queryStart < 0 || (fragment >= 0 && fragment < queryStart)) queryStart = fragment;
    if (queryStart < 0) queryStart = address.size();
    QString path = address.mid(pathStart, queryStart - pathStart);
    if (path.startsWith(u'/')) {
        path.replace(QStringLiteral("%2e"), QStringLiteral("."), Qt::CaseInsensitive);
        path = removeDotSegments(path);
    }
    return scheme + QStringLiteral("://") + host + path + address.mid(queryStart);
}

QString BuildStartAddress(PortalRegistry registry, const QString& fromText, const QString& toText,
                          ContractStages stages) {
    const PortalRegistryInfo& info = RegistryInfo(registry);
    QString fixedPart = info.startFixedPart;
    if (stages == ContractStages::All) fixedPart.replace(info.firstStageOnly, info.allStages);
    return PortalBase() + fixedPart + fromText + u'&' + info.dateToName + u'=' + toText;
}

QString StagesText(ContractStages stages) {
    return stages == ContractStages::All
               ? QStringLiteral(
                     "все этапы (исполнение, исполнение завершено, исполнение "
                     "прекращено, аннулированные)")
               : QStringLiteral("только исполняемые (первый этап)");
}

QDate EarliestConclusionDate() {
    return QDate(2012, 1, 1);
}

std::optional<PortalRegistry> RegistryOfAddress(const QString& url) {
    for (PortalRegistry registry : kMarkerOrder) {
        if (url.contains(RegistryInfo(registry).marker)) return registry;
    }
    return std::nullopt;
}

QString QueryParamValue(const QString& url, const QString& name) {
    const QString key = u'&' + name + u'=';
    const qsizetype start = url.indexOf(key);
    if (start < 0) return {};
    const qsizetype valueStart = start + key.size();
    const qsizetype end = url.indexOf(u'&', valueStart);
    return url.mid(valueStart, end < 0 ? -1 : end - valueStart);
}

QString RemoveQueryParam(const QString& url, const QString& name) {
    const qsizetype first = url.indexOf(u'?' + name + u'=');
    if (first >= 0) {
        // The "?" stays, now before the parameter that followed.
        const qsizetype next = url.indexOf(u'&', first + 1);
        return next < 0 ? url.left(first) : QString(url).remove(first + 1, next - first);
    }
    const qsizetype start = url.indexOf(u'&' + name + u'=');
    if (start < 0) return url;
    const qsizetype end = url.indexOf(u'&', start + 1);
    QString result = url;
    return result.remove(start, (end < 0 ? url.size() : end) - start);
}

QString DateSplitBase(const QString& url) {
    QString base = url;
    for (const char16_t* name :
         {u"contractDateFrom", u"contractDateTo", u"contract223DateFrom", u"contract223DateTo",
          u"capitalDateOfContractConclusionFrom", u"capitalDateOfContractConclusionTo"}) {
        base = RemoveQueryParam(base, QString::fromUtf16(name));
    }
    return base;
}

QString PriceSplitBase(const QString& url) {
    QString base = url;
    for (const char16_t* name :
         {u"contractPriceFrom", u"contractPriceTo", u"priceFrom", u"priceTo"}) {
        base = RemoveQueryParam(base, QString::fromUtf16(name));
    }
    return base;
}

QString AppendRange(const QString& base, const QString& fromName, const QString& fromValue,
                    const QString& toName, const QString& toValue) {
    return base + u'&' + fromName + u'=' + fromValue + u'&' + toName + u'=' + toValue;
}

QString NextPageAddress(const QString& url, const QString& pageNumberText) {
    return RemoveQueryParam(url, QStringLiteral("pageNumber")) + QStringLiteral("&pageNumber=") +
           pageNumberText;
}

bool IsFirstPage(const QString& url) {
    return url.contains(u"pageNumber=1&");
}
