#pragma once

#include <QString>
#include <bitset>
#include <map>

// Watches, for each kind of page, whether the pages a run handles still hold
// the parts their handler expects. One missing part is a page of its own; a
// long row of them, or most of the recent pages of a kind, means the portal
// has changed its markup, and the thousands of single "Ошибка?" lines of such
// a run hide that. Controller thread only.
class LayoutDriftWatch {
public:
    static constexpr int kRowLimit = 20;       // lacking pages of a kind in a row
    static constexpr int kWindow = 50;         // the recent pages of a kind looked at
    static constexpr int kRepeatAfter = 1000;  // pages of a kind between two warnings

    // What note() found when a warning is due.
    struct Drift {
        bool due = false;
        int lackingInRow = 0;     // the row that ends with this page
        int lackingInWindow = 0;  // of the last kWindow pages (0 before kWindow pages)
    };

    // Notes one handled page of the kind (any small number naming it). A
    // warning is due when kRowLimit pages in a row, or more than half of the
    // last kWindow pages, lacked their part, and no warning was given for
    // the kind in its last kRepeatAfter pages.
    Drift note(int kind, bool lacking);

private:
    struct KindState {
        std::bitset<kWindow> recent;  // bit (seen % kWindow): that page lacked its part
        int lackingInWindow = 0;
        int lackingInRow = 0;
        long long seen = 0;
        long long warnedAt = -1;  // the page count at the last warning
    };
    std::map<int, KindState> m_kinds;
};

// The warning for a kind of page (its Russian name in the genitive plural,
// "карточек контрактов 44-ФЗ"), naming the page inspector with the address of
// a page that lacked its part.
QString LayoutDriftWarning(const QString& kindName, const LayoutDriftWatch::Drift& drift,
                           const QString& exampleUrl);
