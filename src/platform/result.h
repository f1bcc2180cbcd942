// One way to fail: an operation returns its value, or the Failure that says what failed and why.
// Shaped like C++23's std::expected (the project builds as C++20), and kept small.
#pragma once

#include <stdexcept>
#include <string>
#include <utility>
#include <variant>

namespace corvane {

// "listen on" + "0.0.0.0:1025" + "Address already in use".
struct Failure {
    std::string what;   // the operation: "listen on", "connect to", "read"
    std::string where;  // what it was done to (an address, a file); may be empty
    std::string why;    // the reason, as the system or the check gives it

    // "listen on 0.0.0.0:1025: Address already in use"
    std::string text() const {
        std::string out = what;
        if (!where.empty()) {
            out += (out.empty() ? "" : " ") + where;
        }
        return out.empty() ? why : out + ": " + why;
    }
    bool operator==(const Failure&) const = default;
};

template <class E>
class Unexpected {
  public:
    explicit Unexpected(E error) : m_error(std::move(error)) {}
    E& error() & { return m_error; }
    E&& error() && { return std::move(m_error); }

  private:
    E m_error;
};

template <class E>
Unexpected<E> unexpected(E error) {
    return Unexpected<E>(std::move(error));
}

// The usual failure in one call: return fail("listen on", "0.0.0.0:1025", reason);
inline Unexpected<Failure> fail(std::string what, std::string where, std::string why) {
    return Unexpected<Failure>(Failure{std::move(what), std::move(where), std::move(why)});
}

// Asking a failed result for its value (or a good one for its error) is a bug of the caller.
class BadResultAccess : public std::logic_error {
  public:
    BadResultAccess() : std::logic_error("result accessed the wrong way") {}
};

template <class T, class E = Failure>
class [[nodiscard]] Result {
  public:
    Result(T value) : m_state(std::in_place_index<0>, std::move(value)) {}  // NOLINT: implicit
    Result(Unexpected<E> error)                                             // NOLINT: implicit
        : m_state(std::in_place_index<1>, std::move(error).error()) {}

    bool has_value() const { return m_state.index() == 0; }
    explicit operator bool() const { return has_value(); }

    T& value() & { return has_value() ? std::get<0>(m_state) : throw BadResultAccess(); }
    const T& value() const& { return has_value() ? std::get<0>(m_state) : throw BadResultAccess(); }
    T&& value() && { return std::move(value()); }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }
    T&& operator*() && { return std::move(value()); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    template <class U>
    T value_or(U&& fallback) const& {
        return has_value() ? std::get<0>(m_state) : static_cast<T>(std::forward<U>(fallback));
    }

    const E& error() const& { return has_value() ? throw BadResultAccess() : std::get<1>(m_state); }

  private:
    std::variant<T, E> m_state;
};

template <class E>
class [[nodiscard]] Result<void, E> {
  public:
    Result() = default;
    Result(Unexpected<E> error)  // NOLINT: implicit, as std::expected's
        : m_failed(true), m_error(std::move(error).error()) {}

    bool has_value() const { return !m_failed; }
    explicit operator bool() const { return has_value(); }
    void value() const {
        if (m_failed) {
            throw BadResultAccess();
        }
    }
    const E& error() const& { return m_failed ? m_error : throw BadResultAccess(); }

  private:
    bool m_failed = false;
    E m_error{};
};

}  // namespace corvane
