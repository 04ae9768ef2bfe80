// How the time per node of a tree grows with its width: the first size measured is the base, and
// each later size prints its time per node against that base (1.0 is linear growth).
#pragma once

#include <cstdio>

class PerNodeGrowth {
public:
    // Ends the line of one size: a line break for the base, the ratio against it for the others.
    void EndLine(int size, const char* unit, double perNode) {
        if (m_baseSize == 0) {
            m_baseSize = size;
            m_basePerNode = perNode;
            std::printf("\n");
        } else {
            std::printf("; per node against %d %s %5.2f (1.0 is linear; goal <= 1.3)\n", m_baseSize, unit,
                        m_basePerNode > 0 ? perNode / m_basePerNode : 0.0);
        }
        std::fflush(stdout);
    }

private:
    int m_baseSize = 0;
    double m_basePerNode = 0.0;
};
