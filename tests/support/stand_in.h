// The suite's one way to put something in the place of a system call: a
// stand-in swaps one entry of the library's table of system calls for the
// length of a scope, and fail_nth makes the nth call of an entry fail.
//
//   stand_in<&os::system_calls::drive_type> cdrom([](const char*) { return 5u; });
//   fail_nth<&os::system_calls::file_write> full_disk(2, false);
//
// Stand-ins of one entry nest: real() reaches whatever the entry was before
// this one (the system's call, or an outer stand-in). Install them before any
// thread that makes the call starts.
#pragma once

#include <atomic>
#include <functional>
#include <type_traits>
#include <utility>

#include "os/system_calls.h"

namespace hostutil::test {

template <auto Entry, typename Pointer = std::remove_reference_t<
                          decltype(std::declval<os::system_calls&>().*Entry)>>
class stand_in;

template <auto Entry, typename R, typename... A>
class stand_in<Entry, R (*)(A...)> {
 public:
  using body = std::function<R(A...)>;

  explicit stand_in(body b) : body_(std::move(b)), saved_(os::calls().*Entry), outer_(current_) {
    current_ = this;
    os::calls().*Entry = &trampoline;
  }
  ~stand_in() {
    os::calls().*Entry = saved_;
    current_ = outer_;
  }
  stand_in(const stand_in&) = delete;
  stand_in& operator=(const stand_in&) = delete;

  // The entry as it was before this stand-in.
  R real(A... a) const {
    return outer_ != nullptr ? outer_->invoke(std::forward<A>(a)...) : saved_(std::forward<A>(a)...);
  }
  // Calls that reached this stand-in so far.
  int count() const { return count_.load(); }

 private:
  R invoke(A... a) {
    ++count_;
    return body_(std::forward<A>(a)...);
  }
  static R trampoline(A... a) { return current_->invoke(std::forward<A>(a)...); }

  body body_;
  R (*saved_)(A...);
  stand_in* outer_;
  std::atomic<int> count_{0};
  static inline stand_in* current_ = nullptr;
};

// The nth call (from 1) of the entry answers failure without reaching the
// system; every other call passes through. nth 0 fails none, only counts.
// With reached, the failing call still reaches the system (a close that gives
// the handle back and then reports lost data) and only its answer is replaced.
template <auto Entry>
class fail_nth : public stand_in<Entry> {
 public:
  enum when { instead, reached };
  template <typename Failure>
  fail_nth(int nth, Failure failure, when w = instead)
      : stand_in<Entry>([this, nth, failure, w](auto&&... a) {
          if (this->count() != nth) return this->real(std::forward<decltype(a)>(a)...);
          if (w == reached) this->real(std::forward<decltype(a)>(a)...);
          return decltype(this->real(std::forward<decltype(a)>(a)...))(failure);
        }) {}
};

}  // namespace hostutil::test
