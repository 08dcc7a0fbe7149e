#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <variant>

namespace vaskiro::core {

// The failure side of a Result: what went wrong, in words for the person who
// asked. Shaped as std::unexpected.
template <class E>
class Unexpected {
public:
    explicit Unexpected(E error) : m_error(std::move(error)) {}
    const E& error() const& { return m_error; }
    E&& error() && { return std::move(m_error); }

private:
    E m_error;
};

// A value, or the reason there is none. Named and shaped as C++23's
// std::expected (value, error, has_value, *, ->) so that it can become an
// alias of it once every compiler in use has it; GCC 12 in C++20 has not.
// Asking a failed Result for its value is a programming error and throws.
template <class T, class E = std::string>
class [[nodiscard]] Result {
public:
    Result(T value) : m_state(std::in_place_index<0>, std::move(value)) {}
    template <class G>
    Result(Unexpected<G> failure) : m_state(std::in_place_index<1>, std::move(failure).error()) {}

    bool has_value() const { return m_state.index() == 0; }
    explicit operator bool() const { return has_value(); }

    T& value() & { return check(), std::get<0>(m_state); }
    const T& value() const& { return check(), std::get<0>(m_state); }
    T&& value() && { return check(), std::get<0>(std::move(m_state)); }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    const E& error() const { return std::get<1>(m_state); }

private:
    void check() const {
        if (!has_value()) throw std::logic_error("the value of a failed Result was asked for");
    }

    std::variant<T, E> m_state;
};

// Success without a value, or the reason for the failure.
template <class E>
class [[nodiscard]] Result<void, E> {
public:
    Result() = default;
    template <class G>
    Result(Unexpected<G> failure) : m_error(std::move(failure).error()) {}

    bool has_value() const { return !m_error; }
    explicit operator bool() const { return has_value(); }
    const E& error() const { return *m_error; }

private:
    std::optional<E> m_error;
};

}  // namespace vaskiro::core
