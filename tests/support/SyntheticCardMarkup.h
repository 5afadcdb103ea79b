#pragma once

#include "tests/support/SyntheticPortal.h"

#include <string>

// The card page the synthetic portal answers at a contract's card path: for now plain markup
// carrying the number, subject, price, conclusion date and supplier INNs. Kept apart so that
// the portal's real card markup can take its place.
std::string SyntheticCardHtml(const SyntheticContract& contract);
