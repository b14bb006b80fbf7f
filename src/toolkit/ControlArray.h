// SPDX-License-Identifier: MIT
#pragma once

#include "platform/RuntimeError.h"

#include <cstdint>
#include <map>
#include <memory>

namespace hanashi {

// Controls under one name, addressed by a 16-bit index. Element 0 exists from
// the start; loading element n makes a hidden copy of element 0, handlers
// included. Using an element that was never loaded, or loading one twice, is a
// run-time error.
template <typename T>
class ControlArray {
public:
    ControlArray(const char* name, std::unique_ptr<T> first)
        : m_name(name) {
        m_elements.emplace(std::int16_t(0), std::move(first));
    }

    T& operator()(std::int16_t index) const {
        auto it = m_elements.find(index);
        if (it == m_elements.end())
            throw RuntimeError(QStringLiteral("Control array element '%1' doesn't exist: %2(%1)")
                                   .arg(index)
                                   .arg(QString::fromLatin1(m_name)));
        return *it->second;
    }

    void load(std::int16_t index) {
        if (m_elements.count(index))
            throw RuntimeError(QStringLiteral("Object already loaded: %1(%2)")
                                   .arg(QString::fromLatin1(m_name))
                                   .arg(index));
        m_elements.emplace(index, m_elements.at(0)->cloneHidden(index));
    }

    int count() const { return static_cast<int>(m_elements.size()); }

    template <typename F>
    void forEach(F f) const {
        for (const auto& entry : m_elements)
            f(*entry.second);
    }

private:
    const char* m_name;
    std::map<std::int16_t, std::unique_ptr<T>> m_elements;
};

} // namespace hanashi
