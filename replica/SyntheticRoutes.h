#pragma once

#include "replica/SyntheticPortal.h"

#include <string>
#include <vector>

// Giving generated contracts their supplier routes and the values a correct crawl stores.

// Sets route, executionEnd, noticeNumber, protocolFile and the expected values of every contract,
// without drawing from the contracts' generator, so a seed keeps giving the same contracts:
// 44-FZ and capital-repair contracts keep the card route (a capital-repair card names one
// contractor, so its contract keeps only its first INN); 223-FZ contracts take the supplier-info,
// protocol and plan-position routes in turn from an offset chosen by the seed, two, two and one
// in five. The first ocrContracts of the protocol route get the scanned protocol, the others the
// text-layer ones in turn; their INNs become the INNs that protocol holds.
void AssignSyntheticRoutes(std::vector<SyntheticContract>& contracts,
                           const SyntheticPortalConfig& config);

// The INNs the committed protocol fixture holds, sorted; empty for an unknown file.
std::vector<std::string> ProtocolFixtureInns(const std::string& file);
