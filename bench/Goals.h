// The goals a benchmark prints, kept so that a missed one fails it: each judged figure is noted here,
// a miss is written to the file named by VQ_BENCH_MISSES (when set: bench/run lists them at its end),
// and the benchmark's exit status says whether every goal printed was met.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

namespace bench {

inline int& MissedGoals() {
    static int missed = 0;
    return missed;
}

// Notes a figure against its goal ("<=" or ">="); true when it is met. The name says which figure.
inline bool Goal(const std::string& name, double figure, const char* relation, double goal) {
    const bool met = std::string(relation) == ">=" ? figure >= goal : figure <= goal;
    if (met)
        return true;
    ++MissedGoals();
    if (const char* file = std::getenv("VQ_BENCH_MISSES"); file && *file) {
        if (std::FILE* out = std::fopen(file, "a")) {
            std::fprintf(out, "%s: %.2f, goal %s %.2f\n", name.c_str(), figure, relation, goal);
            std::fclose(out);
        }
    }
    return false;
}

// Notes a run that could not measure at all as a miss of its own.
inline void Failed(const std::string& name) {
    Goal(name + " (failed)", 1.0, "<=", 0.0);
}

// What main returns: 0 only when every goal was met and nothing failed.
inline int Status() {
    return MissedGoals() == 0 ? 0 : 1;
}

inline const char* Verdict(bool met) {
    return met ? "met" : "missed";
}

} // namespace bench
