// Reading and decoding start-up files ahead of the loaders that need them, on one thread of
// its own, while the main thread opens the window and creates the GL context. The loaders
// still run in their fixed order and still report the first failure in that order: a job
// only computes what its loader would have computed (a decoded image, a parsed file, or the
// failure), and the loader takes that result in place of doing the work itself.
#pragma once

#include <functional>
#include <memory>
#include <string>

namespace platform {

// What a job hands over: anything, or null (which a loader reads as the work failing).
using PrefetchResult = std::shared_ptr<void>;
using PrefetchJob = std::function<PrefetchResult()>;

// Queues `job` under `key` (a kind and a path, e.g. "png:../textures/wood.png"). Jobs run in
// the order they were queued once startPrefetch has been called. A key queued twice keeps its
// first job. Not for use after startPrefetch.
void queuePrefetch(const std::string& key, PrefetchJob job);

// Starts the thread that runs the queued jobs one after another. Does nothing when nothing is
// queued or when it has already started.
void startPrefetch();

// The result of the job queued under `key`, waiting for the job to finish if it is still
// queued or running. Each result is handed over once: false when no job was queued under
// `key` or its result has already been taken, and the caller then does the work itself. An
// exception the job threw (std::bad_alloc) is thrown here, in the caller's thread.
bool takePrefetched(const std::string& key, PrefetchResult* result);

// Waits for the thread to finish and drops every result that was not taken. Called once the
// loaders have run; startPrefetch may queue new work afterwards.
void finishPrefetch();

} // namespace platform
