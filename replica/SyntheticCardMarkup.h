#pragma once

#include "replica/SyntheticPortal.h"

#include <string>

// The pages the synthetic portal shows for a contract, in the markup the card handlers read
// (see CardMarkup.h): its card and, for a 223-FZ contract, the pages its route leads through.
// baseUrl is put before the links of contracts listed with an absolute address.

// Paths of the 223-FZ follow-up pages; each names its contract in the query.
inline constexpr const char* kSupplierListPath = "/epz/contractfz223/card/supplier-info.html";
inline constexpr const char* kNoticePath = "/epz/order/notice/notice223/common-info.html";
inline constexpr const char* kDocumentsPath = "/epz/order/notice/notice223/documents.html";

// The card: 44-FZ and capital-repair cards with their suppliers, a 223-FZ card with the link of
// its route; price, subject and dates as the contract has them.
std::string SyntheticCardHtml(const SyntheticContract& contract, const std::string& baseUrl);

// The supplier-info page of a contract on the supplier-info route.
std::string SyntheticSupplierListHtml(const SyntheticContract& contract);

// The purchase notice and its documents page, for a contract on a protocol route: two protocols
// and a documentation file, of which only the second protocol is the contract's.
std::string SyntheticNoticeHtml(const SyntheticContract& contract);
std::string SyntheticDocumentsHtml(const SyntheticContract& contract, const std::string& baseUrl);

// The uid under which /download/ serves the contract's protocol.
std::string SyntheticProtocolUid(const SyntheticContract& contract);
