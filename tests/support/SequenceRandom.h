// SPDX-License-Identifier: MIT
#pragma once

#include "platform/RandomSource.h"

#include <stdexcept>
#include <vector>

namespace hanashi {

// A generator that returns a fixed sequence and counts its draws. Running past
// the end of the sequence is a test error, so a test states every draw it
// expects.
class SequenceRandom : public RandomSource {
public:
    SequenceRandom() = default;
    explicit SequenceRandom(std::vector<float> values)
        : m_values(std::move(values)) {}

    void push(float value) { m_values.push_back(value); }
    void push(const std::vector<float>& values) {
        m_values.insert(m_values.end(), values.begin(), values.end());
    }

    void seedFromClock() override { ++m_seeds; }
    float draw() override {
        if (m_next >= m_values.size())
            throw std::logic_error("SequenceRandom: no draw left");
        return m_values[m_next++];
    }

    int draws() const { return static_cast<int>(m_next); }
    int seeds() const { return m_seeds; }
    std::size_t remaining() const { return m_values.size() - m_next; }

private:
    std::vector<float> m_values;
    std::size_t m_next = 0;
    int m_seeds = 0;
};

} // namespace hanashi
