// The prefetch thread and the results it hands over.
#include "platform/prefetch.h"

#include <future>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace platform {
namespace {

struct Entry {
    std::string key;
    std::packaged_task<PrefetchResult()> task;
    std::future<PrefetchResult> result;
    bool taken = false;
};

// Held on the heap and never destroyed: a fatal exit during start-up ends the process while
// the thread may still be running a job, and nothing it uses may be torn down under it.
struct Prefetcher {
    std::mutex mutex;
    std::vector<Entry> entries; // filled before the thread starts, never resized while it runs
    std::thread thread;
};

Prefetcher& prefetcher() {
    static Prefetcher* p = new Prefetcher;
    return *p;
}

void runAll(std::vector<Entry>* entries) {
    for (Entry& entry : *entries)
        entry.task();
}

} // namespace

void queuePrefetch(const std::string& key, PrefetchJob job) {
    Prefetcher& p = prefetcher();
    std::lock_guard<std::mutex> lock(p.mutex);
    if (p.thread.joinable())
        return;
    for (const Entry& entry : p.entries)
        if (entry.key == key)
            return;
    Entry entry;
    entry.key = key;
    entry.task = std::packaged_task<PrefetchResult()>(std::move(job));
    entry.result = entry.task.get_future();
    p.entries.push_back(std::move(entry));
}

void startPrefetch() {
    Prefetcher& p = prefetcher();
    std::lock_guard<std::mutex> lock(p.mutex);
    if (p.thread.joinable() || p.entries.empty())
        return;
    p.thread = std::thread(runAll, &p.entries);
}

bool takePrefetched(const std::string& key, PrefetchResult* result) {
    Prefetcher& p = prefetcher();
    std::future<PrefetchResult> future;
    {
        std::lock_guard<std::mutex> lock(p.mutex);
        for (Entry& entry : p.entries) {
            if (entry.key != key || entry.taken)
                continue;
            if (!p.thread.joinable())
                return false; // queued but never started: nothing will run it
            entry.taken = true;
            future = std::move(entry.result);
            break;
        }
    }
    if (!future.valid())
        return false;
    *result = future.get();
    return true;
}

void finishPrefetch() {
    Prefetcher& p = prefetcher();
    std::lock_guard<std::mutex> lock(p.mutex);
    if (p.thread.joinable())
        p.thread.join();
    p.entries.clear();
}

} // namespace platform
