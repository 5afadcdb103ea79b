#include "crawl/JobQueue.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

const QString kPage = u"https://h/epz/contract/contractCard/common-info.html?reestrNumber=1"_q;
const QString kDownload =
    u"https://h/44fz/filestore/public/1.0/download/priz/file.html?uid=A|||c"_q;

JobQueue DownloadsThenPage() {
    JobQueue queue;
    queue.addTail(kDownload);
    queue.addTail(kDownload + u"2"_q);
    queue.addTail(kPage);
    return queue;
}

}  // namespace

TEST(JobQueue, HeadAndTailOrderAndAddedCount) {
    JobQueue queue;
    queue.addTail(u"b"_q);
    queue.addHead(u"a"_q);
    queue.addTail(u"c"_q);
    EXPECT_EQ(queue.size(), 3);
    EXPECT_EQ(queue.takeHead(), u"a"_q);
    EXPECT_EQ(queue.takeHead(), u"b"_q);
    EXPECT_EQ(queue.addedCount(), 3);
    EXPECT_EQ(queue.takeHead(), u"c"_q);
    EXPECT_TRUE(queue.isEmpty());
    EXPECT_EQ(queue.takeHead(), u""_q);
    EXPECT_EQ(queue.addedCount(), 3);
}

TEST(JobQueue, PageJobsGoFirstWhenFewSlotsAreLeft) {
    JobQueue queue = DownloadsThenPage();
    EXPECT_EQ(queue.takeForStart(1, 0), kPage);
    EXPECT_EQ(queue.size(), 2);
    queue = DownloadsThenPage();
    EXPECT_EQ(queue.takeForStart(3, 1), kPage);
    queue = DownloadsThenPage();
    EXPECT_EQ(queue.takeForStart(10, 8), kPage);
}

TEST(JobQueue, QueueOrderWhileSlotsAreFree) {
    JobQueue queue = DownloadsThenPage();
    EXPECT_EQ(queue.takeForStart(3, 0), kDownload);
    EXPECT_EQ(queue.takeForStart(10, 7), kDownload + u"2"_q);
}

TEST(JobQueue, OnlyDownloadsQueuedGivesTheHead) {
    JobQueue queue;
    queue.addTail(kDownload);
    queue.addTail(kDownload + u"2"_q);
    EXPECT_EQ(queue.takeForStart(2, 2), kDownload);
    EXPECT_EQ(queue.takeForStart(2, 2), kDownload + u"2"_q);
    EXPECT_EQ(queue.takeForStart(2, 2), u""_q);
}
