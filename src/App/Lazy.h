#pragma once

#include <functional>
#include <memory>
#include <utility>

// An object built from its factory on the first get() and kept from then on. An empty factory, or
// one that gives null, means the object is not part of this build: get() then answers null without
// asking again. The factory takes the arguments of that first get().
template <typename T, typename... Args> class Lazy {
public:
    using Factory = std::function<std::unique_ptr<T>(Args...)>;

    Lazy() = default;
    explicit Lazy(Factory factory)
        : m_factory(std::move(factory))
    {
    }

    T* get(Args... args)
    {
        if (!m_built) {
            // Marked first: a factory that reaches back for its own object gets null.
            m_built = true;
            if (m_factory)
                m_object = m_factory(std::forward<Args>(args)...);
        }
        return m_object.get();
    }

private:
    Factory m_factory;
    std::unique_ptr<T> m_object;
    bool m_built = false;
};
