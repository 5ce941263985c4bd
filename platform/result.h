#pragma once
// A value or an error, for operations that meet untrusted input or the file system.
// Shaped like std::expected (C++23) so callers read the same way once the standard
// library has it: `if (!r) report(r.error()); else use(*r);`.

#include <type_traits>
#include <utility>
#include <variant>

namespace eveda {

template <class E>
struct Unexpected {
  explicit Unexpected(E e) : error(std::move(e)) {}
  E error;
};

template <class E>
Unexpected(E) -> Unexpected<E>;

template <class T, class E>
class [[nodiscard]] Result {
 public:
  Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}
  Result(Unexpected<E> failure) : state_(std::in_place_index<1>, std::move(failure.error)) {}
  // An error of a narrower kind, as std::expected takes one: a caller whose errors say more
  // forwards a callee's with EVEDA_TRY.
  template <class F>
  requires(!std::is_same_v<F, E> && std::is_constructible_v<E, F>) Result(Unexpected<F> failure)
      : state_(std::in_place_index<1>, E(std::move(failure.error))) {}

  bool has_value() const { return state_.index() == 0; }
  explicit operator bool() const { return has_value(); }

  T& value() & { return std::get<0>(state_); }
  const T& value() const& { return std::get<0>(state_); }
  T&& value() && { return std::get<0>(std::move(state_)); }
  T& operator*() & { return value(); }
  const T& operator*() const& { return value(); }
  T&& operator*() && { return std::move(*this).value(); }
  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }

  const E& error() const { return std::get<1>(state_); }

 private:
  std::variant<T, E> state_;
};

// Success carries nothing but the fact.
template <class E>
class [[nodiscard]] Result<void, E> {
 public:
  Result() = default;
  Result(Unexpected<E> failure) : error_(std::move(failure.error)), failed_(true) {}
  template <class F>
  requires(!std::is_same_v<F, E> && std::is_constructible_v<E, F>) Result(Unexpected<F> failure)
      : error_(std::move(failure.error)), failed_(true) {}

  bool has_value() const { return !failed_; }
  explicit operator bool() const { return has_value(); }
  const E& error() const { return error_; }

 private:
  E error_{};
  bool failed_ = false;
};

}  // namespace eveda

// Declares `name` as the Result of `expr` and returns its error from the enclosing function
// (whose Result has the same error type) when it failed: the one way errors travel up.
#define EVEDA_TRY(name, expr)             \
  auto name = (expr);                     \
  if (!name) return ::eveda::Unexpected { \
      name.error()                        \
    }
