// The prefetch queue: order, hand-over once, waiting, failures and restarts.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "platform/prefetch.h"

namespace {

using platform::PrefetchResult;

PrefetchResult number(int n) {
    return std::make_shared<int>(n);
}

int valueOf(const PrefetchResult& result) {
    return result ? *static_cast<int*>(result.get()) : -1;
}

TEST(Prefetch, RunsInQueueOrderHandsEachResultOverOnceAndWaitsForSlowJobs) {
    std::vector<int> ran; // written by the prefetch thread only, read after finishPrefetch
    std::atomic<bool> release{false};
    platform::queuePrefetch("slow", [&] {
        while (!release)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ran.push_back(1);
        return number(1);
    });
    platform::queuePrefetch("two", [&] {
        ran.push_back(2);
        return number(2);
    });
    platform::queuePrefetch("two", [&] { return number(99); }); // the first job of a key stays
    platform::queuePrefetch("failed", [&] {
        ran.push_back(3);
        return PrefetchResult();
    });
    platform::queuePrefetch("throws", [&]() -> PrefetchResult { throw std::bad_alloc(); });

    PrefetchResult result;
    EXPECT_FALSE(platform::takePrefetched("two", &result)) << "nothing runs before the start";
    platform::startPrefetch();
    platform::queuePrefetch("late", [] { return number(4); }); // refused once running
    EXPECT_FALSE(platform::takePrefetched("late", &result));

    std::thread releaser([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        release = true;
    });
    ASSERT_TRUE(platform::takePrefetched("two", &result)); // waits behind the slow job
    EXPECT_EQ(valueOf(result), 2);
    releaser.join();
    EXPECT_FALSE(platform::takePrefetched("two", &result)) << "a result is handed over once";
    ASSERT_TRUE(platform::takePrefetched("failed", &result));
    EXPECT_EQ(result, nullptr);
    EXPECT_THROW(platform::takePrefetched("throws", &result), std::bad_alloc);
    EXPECT_FALSE(platform::takePrefetched("unknown", &result));

    // "slow" is never taken: finishing drops it, and a new round starts from an empty queue.
    platform::finishPrefetch();
    EXPECT_EQ(ran, (std::vector<int>{1, 2, 3}));
    EXPECT_FALSE(platform::takePrefetched("slow", &result));
    platform::queuePrefetch("again", [] { return number(5); });
    platform::startPrefetch();
    ASSERT_TRUE(platform::takePrefetched("again", &result));
    EXPECT_EQ(valueOf(result), 5);
    platform::finishPrefetch();
}

} // namespace
