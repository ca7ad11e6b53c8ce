#pragma once

// Side-by-side timing shared by the benchmarks: each case times ours and a
// reference in the same process, in rounds that alternate which of the two
// goes first, and prints the median with the range of every figure. Figures
// are processor time of the process (children included where a reference is
// another program), so that other work on a shared machine, which mostly
// costs waiting, moves them little.
#include <QByteArray>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#ifdef __unix__
#include <sys/resource.h>
#endif

namespace Rounds {

// Processor seconds of this process and of the children it has waited for.
inline double cpuSeconds()
{
#ifdef __unix__
    rusage self = {};
    rusage children = {};
    getrusage(RUSAGE_SELF, &self);
    getrusage(RUSAGE_CHILDREN, &children);
    auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(self.ru_utime) + seconds(self.ru_stime) + seconds(children.ru_utime) + seconds(children.ru_stime);
#else
    return double(std::clock()) / CLOCKS_PER_SEC;
#endif
}

// A finer clock for work that runs in this process alone.
inline double threadSeconds()
{
#ifdef __unix__
    timespec t = {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
#else
    return cpuSeconds();
#endif
}

struct Stats
{
    double median = 0;
    double min = 0;
    double max = 0;
};

inline Stats stats(std::vector<double> values)
{
    Stats s;
    if (values.empty())
        return s;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    s.median = n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    s.min = values.front();
    s.max = values.back();
    return s;
}

inline int roundCount()
{
    const char* text = std::getenv("BENCH_ROUNDS");
    const int rounds = text ? std::atoi(text) : 7;
    return std::max(rounds, 5);
}

// The allocator a run used, as the bench script sets it, for the heading.
inline std::string allocatorName()
{
    const char* preload = std::getenv("LD_PRELOAD");
    if (preload && std::string(preload).find("tcmalloc") != std::string::npos)
        return "tcmalloc";
    return "glibc malloc";
}

// One timed side: `run` does the work once; it is repeated until a round
// lasts at least `minSeconds`, and the time of one run is recorded.
struct Side
{
    explicit Side(std::function<void()> work, bool onlyThisProcess = true)
        : run(std::move(work))
        , inProcess(onlyThisProcess)
    {
    }

    std::function<void()> run;
    bool inProcess = true;
    std::vector<double> seconds;
    int repeats = 0;

    void calibrate(double minSeconds)
    {
        const double start = inProcess ? threadSeconds() : cpuSeconds();
        run();
        const double once = (inProcess ? threadSeconds() : cpuSeconds()) - start;
        repeats = once <= 0 ? 1000 : std::max(1, int(minSeconds / once));
    }
    void timeOnce()
    {
        const double start = inProcess ? threadSeconds() : cpuSeconds();
        for (int k = 0; k < repeats; ++k)
            run();
        seconds.push_back(((inProcess ? threadSeconds() : cpuSeconds()) - start) / repeats);
    }
};

// Runs the two sides for the given number of rounds, interleaved.
inline void interleave(Side& ours, Side& reference, int rounds, double minSeconds = 0.05)
{
    ours.calibrate(minSeconds);
    reference.calibrate(minSeconds);
    for (int round = 0; round < rounds; ++round) {
        if (round % 2 == 0) {
            ours.timeOnce();
            reference.timeOnce();
        } else {
            reference.timeOnce();
            ours.timeOnce();
        }
    }
}

// The per-round ratios reference time / our time: above 1 means ours is faster.
inline Stats speedRatio(const Side& ours, const Side& reference)
{
    std::vector<double> ratios;
    for (size_t k = 0; k < ours.seconds.size() && k < reference.seconds.size(); ++k)
        ratios.push_back(reference.seconds[k] / ours.seconds[k]);
    return stats(ratios);
}

inline std::string format(const Stats& s, const char* unit, double scale = 1.0)
{
    char text[128];
    std::snprintf(text, sizeof text, "%.3g %s [%.3g-%.3g]", s.median * scale, unit, s.min * scale, s.max * scale);
    return text;
}

// Rates in MB/s from seconds per run of `bytes` bytes.
inline Stats rate(const std::vector<double>& seconds, double bytes)
{
    std::vector<double> rates;
    for (double s : seconds)
        rates.push_back(bytes / 1e6 / s);
    return stats(rates);
}

} // namespace Rounds
