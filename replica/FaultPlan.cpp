#include "replica/FaultPlan.h"

#include <algorithm>

void FaultPlan::queue(const std::string& pathPrefix, const std::vector<Fault>& faults) {
    auto it = std::find_if(queues_.begin(), queues_.end(),
                           [&](const auto& entry) { return entry.first == pathPrefix; });
    if (it == queues_.end()) it = queues_.insert(queues_.end(), {pathPrefix, {}});
    it->second.insert(it->second.end(), faults.begin(), faults.end());
}

void FaultPlan::setRate(Fault fault, double rate, unsigned seed) {
    std::erase_if(rates_, [fault](const auto& entry) { return entry.first == fault; });
    if (rate > 0) rates_.emplace_back(fault, rate);
    random_.seed(seed);
}

FaultPlan::Fault FaultPlan::next(std::string_view path) {
    for (auto& [prefix, faults] : queues_) {
        if (!faults.empty() && path.starts_with(prefix)) {
            const Fault fault = faults.front();
            faults.pop_front();
            return fault;
        }
    }
    return rates_.empty() ? Fault::None : draw();
}

FaultPlan::Fault FaultPlan::draw() {
    // Built from the raw generator output rather than a distribution, whose results the
    // standard leaves to each library: the same seed gives the same campaign everywhere.
    const double u = static_cast<double>(random_() >> 8) / static_cast<double>(1u << 24);
    double edge = 0;
    for (const auto& [fault, rate] : rates_) {
        edge += rate;
        if (u < edge) return fault;
    }
    return Fault::None;
}
