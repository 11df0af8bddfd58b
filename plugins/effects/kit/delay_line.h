// A circular delay line of one channel with fractional reads, for echo, chorus and flange.
#pragma once

#include <cmath>
#include <cstddef>
#include <vector>

namespace sonthra::fx {

class DelayLine {
public:
    explicit DelayLine(std::size_t capacity = 1) : m_buffer(capacity + 2, 0.0f) {}
    void push(float sample) {
        m_buffer[m_write] = sample;
        m_write = m_write + 1 == m_buffer.size() ? 0 : m_write + 1;
    }
    // The sample pushed `delay` pushes ago (1 = the last one), linearly interpolated.
    float read(double delay) const {
        const double maxDelay = static_cast<double>(m_buffer.size() - 1);
        delay = delay < 1.0 ? 1.0 : (delay > maxDelay ? maxDelay : delay);
        const auto whole = static_cast<std::size_t>(delay);
        const float frac = static_cast<float>(delay - static_cast<double>(whole));
        const float a = at(whole);
        const float b = at(whole + 1);
        return a + (b - a) * frac;
    }

private:
    float at(std::size_t delay) const {
        const std::size_t n = m_buffer.size();
        return m_buffer[(m_write + n - delay % n) % n];
    }
    std::vector<float> m_buffer;
    std::size_t m_write = 0;
};

}  // namespace sonthra::fx
