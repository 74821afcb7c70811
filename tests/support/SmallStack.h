// Running a piece of a test on a thread with a small stack, as a program's worker thread may have
// one: work that recurses too deeply ends the test binary there instead of passing on the main
// thread's large stack.
#pragma once

#include <pthread.h>

#include <cstddef>
#include <exception>
#include <functional>
#include <stdexcept>

namespace sklad::testing {

// A small thread stack, as worker threads are often given.
constexpr size_t kSmallStack = 1024 * 1024;

// Runs the action on a new thread whose stack holds `bytes`, waits for it and rethrows what it
// threw.
inline void RunOnSmallStack(size_t bytes, const std::function<void()>& action) {
  struct TJob {
    const std::function<void()>* Action;
    std::exception_ptr Error;
  } job{&action, nullptr};
  pthread_attr_t attributes;
  pthread_attr_init(&attributes);
  pthread_attr_setstacksize(&attributes, bytes);
  pthread_t thread;
  const int created = pthread_create(
      &thread, &attributes,
      [](void* argument) -> void* {
        auto* running = static_cast<TJob*>(argument);
        try {
          (*running->Action)();
        } catch (...) {
          running->Error = std::current_exception();
        }
        return nullptr;
      },
      &job);
  pthread_attr_destroy(&attributes);
  if (created != 0) throw std::runtime_error("no thread with a small stack");
  pthread_join(thread, nullptr);
  if (job.Error) std::rethrow_exception(job.Error);
}

}  // namespace sklad::testing
