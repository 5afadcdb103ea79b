#pragma once

#include "crawl/PortalSearch.h"
#include "crawl/SupplierFilters.h"

#include <QString>
#include <optional>

// "settings.ini" in the program folder: section "Settings", key "Threads"
// (1..1000, default 1), key "Portal" (the portal's address, default the
// real portal), key "SearchByInn" (the window's search by INN, default
// off) and key "Stages" ("first": the contracts being executed, the default;
// "all": every stage); section "Portal", keys "SupplierFilter44",
// "SupplierFilter223" and "SupplierFilterCapitalRepairs" (the supplier
// filter parameter of each registry's search; missing: the built-in name,
// empty: the search by INN leaves the registry out); section "Watch", key
// "OverlapDays" (0..365, default 7: how far a watch reaches back before the
// end of the last successful one). Other keys are kept as
// they are when the file is written; the [Portal] keys are the user's own.
struct ProgramSettings {
    static constexpr int kMinThreads = 1;
    static constexpr int kMaxThreads = 1000;

    int threads = kMinThreads;
    QString portal;  // empty: the real portal
    // A Russian log line when "Threads" holds no number from 1 to 1000, with
    // the value used instead; empty otherwise (also when the key is missing).
    QString threadsProblem;
    bool searchByInn = false;
    ContractStages stages = ContractStages::FirstOnly;
    SupplierFilters supplierFilters;
    // The portal publishes a contract days after its conclusion: a watch searches again this
    // many days before the end of the last successful one.
    static constexpr int kDefaultOverlapDays = 7;
    int watchOverlapDays = kDefaultOverlapDays;
    // Russian log lines about keys whose values were not understood, with what is used instead.
    QStringList problems;

    static ProgramSettings load(const QString& programDir);
    // False when the file could not be written (a read-only or full folder).
    bool save(const QString& programDir) const;

    // A Threads text as the settings and the window take it: a number in
    // range, or the nearest bound; anything else gives the default.
    static int clampThreads(const QString& text);
    // A thread count as an option gives it: a whole number from 1 to 1000, else none.
    static std::optional<int> parseThreads(const QString& text);
    // A Stages text: "first" or "all" (any letter case), else none.
    static std::optional<ContractStages> parseStages(const QString& text);
    static QString stagesKeyword(ContractStages stages);
};
