// The benchmark: renders a range as a live run at a fixed rate and times every frame.
#define GL_GLEXT_PROTOTYPES 1
#include "bench.h"

#include <GL/gl.h>
#include <GL/glext.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "app/startup_report.h"
#include "limit.h"
#include "playback.h"
#include "progress.h"

#if defined(__SANITIZE_ADDRESS__)
#define QUORVEX_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUORVEX_ASAN 1
#endif
#endif
#ifdef QUORVEX_ASAN
// From the sanitizer runtime (gcc ships no header for it).
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#else
#include <malloc.h>
#endif

namespace capture {
namespace {

// The timeline's segments, by main-clock seconds; each bound belongs to the later segment.
struct Segment {
    const char* name;
    double from;
    double to;
};

const Segment kSegments[] = {
    {"city flight", 0.0, 36.6},
    {"city close", 36.6, 38.6},
    {"disco opening", 38.6, 40.6},
    {"tour", 40.6, 64.0},
    {"hold", 64.0, 74.0},
    {"tour again", 74.0, 107.0},
    {"close-up", 107.0, std::numeric_limits<double>::infinity()},
};
constexpr int kSegmentCount = sizeof kSegments / sizeof kSegments[0];

// Same comparison as the frame loop's dispatch: the tick in seconds against double bounds.
int segmentOf(std::uint32_t tick) {
    const double t = static_cast<double>(tick) * 0.001;
    for (int i = 0; i < kSegmentCount - 1; ++i)
        if (t < kSegments[i].to)
            return i;
    return kSegmentCount - 1;
}

struct Summary {
    long long frames = 0;
    double median = 0, p95 = 0, worst = 0; // milliseconds
};

Summary summarise(std::vector<double> ms) {
    Summary s;
    s.frames = static_cast<long long>(ms.size());
    if (ms.empty())
        return s;
    std::sort(ms.begin(), ms.end());
    const size_t n = ms.size();
    s.median = n % 2 ? ms[n / 2] : 0.5 * (ms[n / 2 - 1] + ms[n / 2]);
    // Nearest rank: the smallest value with at least 95 % of the frames at or below it.
    s.p95 = ms[static_cast<size_t>(std::ceil(0.95 * n)) - 1];
    s.worst = ms.back();
    return s;
}

struct SegmentResult {
    std::vector<double> ms;
    std::vector<double> primitives;        // per frame, as submitted
    std::vector<double> fragmentsPerPixel; // per frame: fragment shader runs / pixels
    // Per limit sample: the limit's time, the frame's time over it, its fragments per pixel.
    std::vector<double> limitMs, overLimit, limitFragmentsPerPixel;
    unsigned long long worstTriangles = 0;
    unsigned long long worstPrimitives = 0;
};

double medianOf(std::vector<double> v) {
    return v.empty() ? NAN : summarise(std::move(v)).median;
}

double worstOf(const std::vector<double>& v) {
    return v.empty() ? NAN : *std::max_element(v.begin(), v.end());
}

// The limit program is timed after every kLimitEvery-th frame, for that frame's primitive
// count, so that on a busy host the frames and the limit see the same load.
constexpr long long kLimitEvery = 4;

double millisecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

bool hasExtension(const char* name) {
    GLint count = 0;
    glGetIntegerv(GL_NUM_EXTENSIONS, &count);
    for (GLint i = 0; i < count; ++i) {
        const char* ext = reinterpret_cast<const char*>(glGetStringi(GL_EXTENSIONS, i));
        if (ext && std::strcmp(ext, name) == 0)
            return true;
    }
    return false;
}

std::string cpuModel() {
    std::ifstream in("/proc/cpuinfo");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("model name", 0) == 0) {
            const size_t colon = line.find(':');
            if (colon != std::string::npos) {
                size_t start = line.find_first_not_of(" \t", colon + 1);
                return start == std::string::npos ? "" : line.substr(start);
            }
        }
    }
    return "unknown";
}

std::string glString(GLenum name) {
    const char* s = reinterpret_cast<const char*>(glGetString(name));
    return s ? s : "unknown";
}

std::string jsonString(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\')
            out += '\\';
        if (static_cast<unsigned char>(c) < 0x20)
            continue;
        out += c;
    }
    return out + "\"";
}

std::string number(double value, int decimals) {
    if (!std::isfinite(value))
        return "null";
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

// Memory in use at one moment of the run.
struct MemorySample {
    double seconds;     // timeline second of the frame just drawn
    double heapMiB;     // live heap allocations
    double residentMiB; // resident set size
};

// Bytes of live heap allocations: the sanitizer allocator's own count in a sanitizer build
// (its freed blocks wait in a quarantine that malloc's figures would not show), malloc's
// otherwise.
double heapMiB() {
#ifdef QUORVEX_ASAN
    const double bytes = static_cast<double>(__sanitizer_get_current_allocated_bytes());
#else
    const double bytes = static_cast<double>(mallinfo2().uordblks);
#endif
    return bytes / (1024.0 * 1024.0);
}

double residentMiB() {
    std::ifstream statm("/proc/self/statm");
    long long size = 0, resident = 0;
    if (!(statm >> size >> resident))
        return NAN;
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) /
           (1024.0 * 1024.0);
}

// Times `count` empty frames: clear colour and depth, then wait for the renderer to finish,
// as an offscreen swap would.
std::vector<double> timeEmptyFrames(int count) {
    std::vector<double> ms;
    for (int i = 0; i < count; ++i) {
        const auto start = std::chrono::steady_clock::now();
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glFinish();
        ms.push_back(millisecondsSince(start));
    }
    return ms;
}

} // namespace

int runBench(const Options& options) {
    Playback playback;
    std::string error;
    if (!playback.start(options.width, options.height, &error)) {
        std::fprintf(stderr, "demo-capture: no offscreen OpenGL context: %s\n", error.c_str());
        return 1;
    }
    const std::string renderer = glString(GL_RENDERER);
    const std::string version = glString(GL_VERSION);
    const bool clipQuery = hasExtension("GL_ARB_pipeline_statistics_query");

    timeEmptyFrames(20); // let the renderer's threads and buffers settle
    const Summary empty = summarise(timeEmptyFrames(300));
    const double pixels = static_cast<double>(options.width) * options.height;

    playback.setGrid(options.fps, options.from);
    const long long first = playback.gridIndex(options.from);
    const long long count = std::max(
        1LL, static_cast<long long>(std::ceil((options.to - options.from) * options.fps - 1e-6)));
    GLuint queries[3] = {0, 0, 0};
    glGenQueries(3, queries);

    // Every buffer the loop fills is sized up front, so that the memory samples show the
    // demo's use and not this loop's.
    SegmentResult results[kSegmentCount];
    for (SegmentResult& r : results) {
        r.ms.reserve(static_cast<size_t>(count));
        r.primitives.reserve(static_cast<size_t>(count));
        for (std::vector<double>* v : {&r.limitMs, &r.overLimit, &r.limitFragmentsPerPixel})
            v->reserve(static_cast<size_t>(count / kLimitEvery + 1));
        r.fragmentsPerPixel.reserve(static_cast<size_t>(count));
    }
    std::vector<double> all;
    all.reserve(static_cast<size_t>(count));
    // Memory after the first frame, after every further minute of timeline, and at the end.
    const long long framesPerMinute = 60LL * options.fps;
    std::vector<MemorySample> memory;
    memory.reserve(static_cast<size_t>(count / framesPerMinute + 3));
    Progress progress("bench", count, !options.quiet);
    for (long long i = 0; i < count; ++i) {
        const double t = playback.gridTime(first + i);
        playback.prepare(t);
        glFinish(); // nothing of the preparation may leak into the timed frame
        glBeginQuery(GL_PRIMITIVES_GENERATED, queries[0]);
        if (clipQuery) {
            glBeginQuery(GL_CLIPPING_OUTPUT_PRIMITIVES_ARB, queries[1]);
            glBeginQuery(GL_FRAGMENT_SHADER_INVOCATIONS_ARB, queries[2]);
        }
        const auto start = std::chrono::steady_clock::now();
        playback.draw(t);
        glFinish();
        const double ms = millisecondsSince(start);
        glEndQuery(GL_PRIMITIVES_GENERATED);
        if (clipQuery) {
            glEndQuery(GL_CLIPPING_OUTPUT_PRIMITIVES_ARB);
            glEndQuery(GL_FRAGMENT_SHADER_INVOCATIONS_ARB);
        }
        GLuint primitives = 0, triangles = 0;
        GLuint64 fragments = 0;
        glGetQueryObjectuiv(queries[0], GL_QUERY_RESULT, &primitives);
        if (clipQuery) {
            glGetQueryObjectuiv(queries[1], GL_QUERY_RESULT, &triangles);
            glGetQueryObjectui64v(queries[2], GL_QUERY_RESULT, &fragments);
        }

        SegmentResult& r = results[segmentOf(tickOf(t))];
        r.ms.push_back(ms);
        r.primitives.push_back(primitives);
        if (clipQuery)
            r.fragmentsPerPixel.push_back(static_cast<double>(fragments) / pixels);
        r.worstPrimitives = std::max<unsigned long long>(r.worstPrimitives, primitives);
        r.worstTriangles = std::max<unsigned long long>(r.worstTriangles, triangles);
        all.push_back(ms);
        if (i % kLimitEvery == 0) {
            const LimitPoint limit = measureLimit(
                options.width, options.height, static_cast<int>(primitives), 1, clipQuery, i == 0);
            if (limit.medianMs > 0) {
                r.limitMs.push_back(limit.medianMs);
                r.overLimit.push_back(ms / limit.medianMs);
                r.limitFragmentsPerPixel.push_back(limit.fragmentsPerPixel);
            }
        }
        if (i % framesPerMinute == 0 || i + 1 == count)
            memory.push_back({t, heapMiB(), residentMiB()});
        progress.update(i + 1);
    }
    progress.finish();
    glDeleteQueries(3, queries);

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const double peakMiB = static_cast<double>(usage.ru_maxrss) / 1024.0;
    const long cpus = sysconf(_SC_NPROCESSORS_ONLN);
    const Summary total = summarise(all);
    auto ratio = [&](double ms) { return empty.median > 0 ? ms / empty.median : NAN; };
    const double contextMs = playback.contextSeconds() * 1000.0;
    const double loadMs = playback.loadSeconds() * 1000.0;
    const double musicToClocksMs =
        millisecondsBetween(Milestone::musicStarting, Milestone::clocksStarted);
    // The median of a segment's frame-over-limit ratios.
    auto overLimit = [&](int i) { return medianOf(results[i].overLimit); };

    std::ostringstream out;
    if (options.json) {
        out << "{\n  \"size\": [" << options.width << ", " << options.height << "],\n"
            << "  \"fps\": " << options.fps << ",\n  \"from\": " << number(options.from, 3)
            << ",\n  \"to\": " << number(options.to, 3) << ",\n  \"frames\": " << count << ",\n"
            << "  \"machine\": {\"cpus\": " << cpus << ", \"cpu\": " << jsonString(cpuModel())
            << ", \"renderer\": " << jsonString(renderer)
            << ", \"gl_version\": " << jsonString(version) << "},\n"
            << "  \"startup_ms\": {\"context\": " << number(contextMs, 2)
            << ", \"loaders_total\": " << number(loadMs, 2)
            << ", \"music_to_clocks\": " << number(musicToClocksMs, 2) << ", \"loaders\": {";
        for (size_t i = 0; i < playback.loaderSeconds().size(); ++i)
            out << (i ? ", " : "") << jsonString(playback.loaderSeconds()[i].first) << ": "
                << number(playback.loaderSeconds()[i].second * 1000.0, 2);
        out << "}},\n"
            << "  \"empty_frame_ms\": {\"median\": " << number(empty.median, 4)
            << ", \"p95\": " << number(empty.p95, 4) << ", \"worst\": " << number(empty.worst, 4)
            << "},\n  \"limit_coverage\": " << number(kLimitCoverage, 2)
            << ",\n  \"segments\": [\n";
        for (int i = 0; i < kSegmentCount; ++i) {
            const Summary s = summarise(results[i].ms);
            const bool any = s.frames > 0;
            out << "    {\"name\": " << jsonString(kSegments[i].name)
                << ", \"from\": " << number(kSegments[i].from, 1)
                << ", \"to\": " << number(kSegments[i].to, 1) << ", \"frames\": " << s.frames
                << ", \"median_ms\": " << (any ? number(s.median, 3) : "null")
                << ", \"p95_ms\": " << (any ? number(s.p95, 3) : "null")
                << ", \"worst_ms\": " << (any ? number(s.worst, 3) : "null")
                << ", \"median_over_empty\": " << (any ? number(ratio(s.median), 1) : "null")
                << ", \"limit_samples\": " << results[i].limitMs.size() << ", \"limit_median_ms\": "
                << (any ? number(medianOf(results[i].limitMs), 3) : "null")
                << ", \"limit_fragments_per_pixel\": "
                << (any && clipQuery ? number(medianOf(results[i].limitFragmentsPerPixel), 2)
                                     : "null")
                << ", \"median_over_limit\": " << (any ? number(overLimit(i), 2) : "null")
                << ", \"primitives_median\": "
                << (any ? number(medianOf(results[i].primitives), 0) : "null")
                << ", \"fragments_per_pixel_median\": "
                << (any && clipQuery ? number(medianOf(results[i].fragmentsPerPixel), 2) : "null")
                << ", \"fragments_per_pixel_worst\": "
                << (any && clipQuery ? number(worstOf(results[i].fragmentsPerPixel), 2) : "null")
                << ", \"triangles_worst\": "
                << (any && clipQuery ? std::to_string(results[i].worstTriangles) : "null")
                << ", \"primitives_worst\": "
                << (any ? std::to_string(results[i].worstPrimitives) : "null") << "}"
                << (i + 1 < kSegmentCount ? ",\n" : "\n");
        }
        out << "  ],\n  \"all\": {\"frames\": " << total.frames
            << ", \"median_ms\": " << number(total.median, 3)
            << ", \"p95_ms\": " << number(total.p95, 3)
            << ", \"worst_ms\": " << number(total.worst, 3) << "},\n"
            << "  \"memory\": [";
        for (size_t i = 0; i < memory.size(); ++i)
            out << (i ? ", " : "") << "{\"seconds\": " << number(memory[i].seconds, 3)
                << ", \"heap_mib\": " << number(memory[i].heapMiB, 3)
                << ", \"resident_mib\": " << number(memory[i].residentMiB, 1) << "}";
        out << "],\n  \"peak_memory_mib\": " << number(peakMiB, 1) << "\n}\n";
    } else {
        char line[256];
        out << "demo-capture --bench: " << options.width << "x" << options.height << ", "
            << options.fps << " fps, timeline " << number(options.from, 2) << " to "
            << number(options.to, 2) << " s, " << count << " frames\n";
        out << "machine: " << cpus << " CPUs (" << cpuModel() << "), " << renderer << ", OpenGL "
            << version << "\n";
        out << "start-up: GL context " << number(contextMs, 1) << " ms, loaders "
            << number(loadMs, 1) << " ms:";
        for (const auto& [name, seconds] : playback.loaderSeconds())
            out << " " << name << " " << number(seconds * 1000.0, 1);
        out << " (ms); music to clocks " << number(musicToClocksMs, 1) << " ms\n";
        out << "empty frame (clear + finish): median " << number(empty.median, 3) << " ms, p95 "
            << number(empty.p95, 3) << " ms\n";
        out << "limit (clear, N lit, fogged, textured immediate-mode triangles on "
            << number(kLimitCoverage * 100.0, 0) << " % of the screen, finish) after every "
            << kLimitEvery << "th frame, N = its primitives; median ms per segment:";
        for (int i = 0; i < kSegmentCount; ++i)
            if (!results[i].limitMs.empty())
                out << " " << kSegments[i].name << " " << number(medianOf(results[i].limitMs), 2)
                    << (clipQuery ? " (" + number(medianOf(results[i].limitFragmentsPerPixel), 2) +
                                        " frags/px)"
                                  : "")
                    << ";";
        out << "\n\n";
        std::snprintf(line, sizeof line, "%-14s %-13s %6s %9s %8s %8s %8s %8s %8s %10s %10s\n",
                      "segment", "seconds", "frames", "median ms", "p95 ms", "worst ms", "x empty",
                      "x limit", "frags/px", "triangles", "primitives");
        out << line;
        for (int i = 0; i < kSegmentCount; ++i) {
            const Summary s = summarise(results[i].ms);
            const std::string span =
                number(kSegments[i].from, 1) + "-" +
                (std::isfinite(kSegments[i].to) ? number(kSegments[i].to, 1) : std::string(""));
            if (s.frames == 0) {
                std::snprintf(
                    line, sizeof line, "%-14s %-13s %6d %9s %8s %8s %8s %8s %8s %10s %10s\n",
                    kSegments[i].name, span.c_str(), 0, "-", "-", "-", "-", "-", "-", "-", "-");
            } else {
                const std::string tri =
                    clipQuery ? std::to_string(results[i].worstTriangles) : std::string("n/a");
                const std::string fragments =
                    clipQuery ? number(medianOf(results[i].fragmentsPerPixel), 2) : "n/a";
                std::snprintf(line, sizeof line,
                              "%-14s %-13s %6lld %9.2f %8.2f %8.2f %8.1f %8.2f %8s %10s %10llu\n",
                              kSegments[i].name, span.c_str(), s.frames, s.median, s.p95, s.worst,
                              ratio(s.median), overLimit(i), fragments.c_str(), tri.c_str(),
                              results[i].worstPrimitives);
            }
            out << line;
        }
        std::snprintf(line, sizeof line, "%-14s %-13s %6lld %9.2f %8.2f %8.2f %8.1f\n", "all",
                      (number(options.from, 1) + "-" + number(options.to, 1)).c_str(), total.frames,
                      total.median, total.p95, total.worst, ratio(total.median));
        out << line << "\n";
        out << "frame time: drawFrame + glFinish, preparation and read-back excluded; x empty: "
               "median over the empty frame's median\n";
        out << "triangles: worst per frame after clipping (GL_CLIPPING_OUTPUT_PRIMITIVES); "
               "primitives: worst per frame as submitted (GL_PRIMITIVES_GENERATED, a quad "
               "counts once)\n";
        out << "x limit: median of the frames' times over the limit's time just after them; "
               "frags/px: median fragment shader runs per pixel "
               "(GL_FRAGMENT_SHADER_INVOCATIONS, depth complexity)\n";
        out << "memory in use (heap / resident MiB) at timeline second:";
        for (const MemorySample& m : memory)
            out << " " << number(m.seconds, 1) << ": " << number(m.heapMiB, 2) << " / "
                << number(m.residentMiB, 1) << ";";
        out << "\n";
        out << "peak memory: " << number(peakMiB, 1) << " MiB (maximum resident set size)\n";
    }
    std::fputs(out.str().c_str(), stdout);
    std::fflush(stdout);
    return 0;
}

} // namespace capture
