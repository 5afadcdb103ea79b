#pragma once

#include "replica/PortalReplica.h"

#include <cstdint>
#include <deque>
#include <random>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Decides which fault, if any, the next request gets: first from queues per path prefix, then
// by random draw. Not thread-safe; the replica calls it under its lock.
class FaultPlan {
public:
    using Fault = PortalReplica::Fault;

    void queue(const std::string& pathPrefix, const std::vector<Fault>& faults);
    void setRate(Fault fault, double rate, unsigned seed);
    Fault next(std::string_view path);

private:
    Fault draw();

    std::vector<std::pair<std::string, std::deque<Fault>>> queues_;
    std::vector<std::pair<Fault, double>> rates_;
    std::mt19937 random_;
};
