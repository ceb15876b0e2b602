#pragma once

#include <chrono>

// Wall-clock seconds since construction: for steps that include painting and the event loop.
class WallStopwatch {
public:
    WallStopwatch() : m_start(std::chrono::steady_clock::now()) {}
    double Seconds() const
    {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
    }

private:
    std::chrono::steady_clock::time_point m_start;
};
