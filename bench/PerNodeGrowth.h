// How the time per node of a tree grows with its width: the first size measured is the base, and
// each later size prints its time per node against that base (1.0 is linear growth).
#pragma once

#include "bench/Goals.h"

#include <cstdio>
#include <string>
#include <utility>

class PerNodeGrowth {
public:
    // `what` names the series in the list of missed goals.
    explicit PerNodeGrowth(std::string what) : m_what(std::move(what)) {}
    // Ends the line of one size: a line break for the base, the ratio against it for the others.
    void EndLine(int size, const char* unit, double perNode) {
        if (m_baseSize == 0) {
            m_baseSize = size;
            m_basePerNode = perNode;
            std::printf("\n");
        } else {
            const double growth = m_basePerNode > 0 ? perNode / m_basePerNode : 0.0;
            const bool met = bench::Goal(m_what + ", " + std::to_string(size) + " " + unit +
                                             ", per node against " + std::to_string(m_baseSize),
                                         growth, "<=", 1.3);
            std::printf("; per node against %d %s %5.2f (1.0 is linear; goal <= 1.3: %s)\n", m_baseSize, unit,
                        growth, bench::Verdict(met));
        }
        std::fflush(stdout);
    }

private:
    std::string m_what;
    int m_baseSize = 0;
    double m_basePerNode = 0.0;
};
