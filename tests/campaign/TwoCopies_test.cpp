// Two copies of the program crawling the replica at the same time, each with its own folder.
#include "tests/campaign/CampaignSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

TEST(TwoCopies, DirectRequestsNeverOverlapAndBothFinish) {
    PortalReplica replica;
    replica.start();
    SyntheticPortalConfig config;
    config.seed = 9;
    config.firstDay = QDate(2024, 2, 1);
    config.lastDay = QDate(2024, 2, 29);
    config.contracts44 = 150;
    config.contractsCapital = 30;
    config.contracts223 = 60;
    config.ocrContracts = 0;
    SyntheticPortal portal(replica, config);

    ProgramFolder first, second;
    first.writeInns({u"7707083893"_q});
    second.writeInns({u"7707083893"_q});
    auto one = StartCli({first.path(), replica.baseUrl()}, first.workDir());
    auto two = StartCli({second.path(), replica.baseUrl()}, second.workDir());
    ASSERT_TRUE(one->waitForFinished(600000));
    ASSERT_TRUE(two->waitForFinished(600000));
    EXPECT_EQ(one->exitCode(), 0) << QString::fromUtf8(one->readAll()).right(2000).toStdString();
    EXPECT_EQ(two->exitCode(), 0) << QString::fromUtf8(two->readAll()).right(2000).toStdString();

    // Both stored the whole portal.
    for (const ProgramFolder* folder : {&first, &second}) {
        const auto stored = ReadStore(folder->path());
        EXPECT_EQ(stored.size(), portal.contracts().size());
        for (const SyntheticContract& contract : portal.contracts()) {
            const auto found = stored.find(replica.baseUrl() + contract.cardPath);
            ASSERT_NE(found, stored.end());
            EXPECT_EQ(found->second.inns, contract.expectedInns);
        }
    }

    // One request at a time at the portal, whichever copy sent it: each request arrives only
    // after the one before it was answered.
    auto requests = replica.requests();
    ASSERT_GE(requests.size(), 2 * portal.contracts().size());
    std::sort(requests.begin(), requests.end(),
              [](const auto& a, const auto& b) { return a.started < b.started; });
    int overlaps = 0;
    for (std::size_t i = 1; i < requests.size(); ++i) {
        if (requests[i].started < requests[i - 1].finished) {
            ++overlaps;
            const auto by = std::chrono::duration_cast<std::chrono::microseconds>(
                requests[i - 1].finished - requests[i].started);
            std::printf("overlap %lld us: %s?%s (%d) then %s?%s\n",
                        static_cast<long long>(by.count()), requests[i - 1].path.c_str(),
                        requests[i - 1].query.c_str(), requests[i - 1].status,
                        requests[i].path.c_str(), requests[i].query.c_str());
        }
    }
    EXPECT_EQ(overlaps, 0) << "of " << requests.size() << " requests";
}
