#pragma once

#include "replica/SyntheticPortal.h"

#include <string>
#include <vector>

// Making up the synthetic portal's contracts. Pure functions of their arguments.

// The contracts of the configuration: for each registry its count spread over the configured
// days, then the crowded days' extra 44-FZ contracts, with their routes (see
// AssignSyntheticRoutes), customer INNs and stages (otherStageShare of each registry's contracts
// evenly spread in stages other than 0, without a draw). The same configuration always gives the
// same contracts; card paths are unique.
std::vector<SyntheticContract> GenerateSyntheticContracts(const SyntheticPortalConfig& config);

// The registry number (or id) a card path ends with: the text after its last "=".
std::string SyntheticContractNumber(const SyntheticContract& contract);

// A customer name in capitals with quotes, chosen by the contract's number.
std::string SyntheticCustomerName(const SyntheticContract& contract);

// A supplier's name, the same wherever the INN stands: «ООО "Поставщик 4567"» with the INN's
// last four digits.
std::string SyntheticSupplierName(const std::string& inn);

// An INN with valid control digits: ten digits when twelveDigits is false, else twelve.
// body holds the leading digits (at least 11 of them); only those needed are used.
std::string InnWithControlDigits(const std::string& body, bool twelveDigits);
