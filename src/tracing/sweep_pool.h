// Threads that share the per-ray arithmetic of a sweep with the tracing thread. They are started
// with the program, so a sweep starts no thread and allocates nothing: it hands out parts of its
// work, takes parts itself, and goes on when every part is done. Drawing stays with the tracing
// thread; the helpers only compute.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

#include "tracing/zeroed_pages.h"

namespace lumi {

// What threads sharing memory keep apart: data one thread writes often sits on a line of its own.
inline constexpr std::size_t kCacheLine = 64;

class SweepPool {
 public:
  // One helper fewer than the machine has cores, at most seven.
  static int default_helpers();

  // Memory for the records of a sweep's blocks, kept for the pool's life: scratch_bytes (no less
  // than kLeastScratchBytes), which a sweep goes round block by block.
  static constexpr std::size_t kScratchBytes = std::size_t{16} << 20;
  static constexpr std::size_t kLeastScratchBytes = std::size_t{1} << 20;

  explicit SweepPool(int helpers = default_helpers(), std::size_t scratch_bytes = kScratchBytes);
  ~SweepPool();
  SweepPool(const SweepPool&) = delete;
  SweepPool& operator=(const SweepPool&) = delete;

  int helpers() const { return static_cast<int>(threads_.size()); }

  std::size_t scratch_bytes() const { return scratch_bytes_; }

  // A sweep stops after its next block of rays once `flag` holds a value other than 0: the run
  // is about to trace a changed scheme, and what the sweep would still draw is thrown away.
  void cancel_when(const std::atomic<int>* flag) { cancel_ = flag; }
  bool cancelled() const { return cancel_ && cancel_->load(std::memory_order_relaxed) != 0; }
  std::byte* scratch() { return scratch_.data(); }

  // Calls task(part) for every part in 0..parts-1, each once, on the helpers and on this thread,
  // and returns when all have returned. The task must not throw.
  template <class Task>
  void run(int parts, Task& task) {
    start(parts, task);
    finish();
  }
  // The same in two steps: the helpers begin at start, and this thread is free for other work
  // (drawing the parts done, taking parts itself) until it calls finish, which takes the parts
  // left and waits for the rest. One round at a time; the task lives until finish returns.
  template <class Task>
  void start(int parts, Task& task) {
    start_erased(parts, [](void* t, int part) { (*static_cast<Task*>(t))(part); }, &task);
  }
  void finish();
  // Runs the next part not yet taken, when it is below `limit`, on this thread: for the tracing
  // thread, while the part it needs next is still being worked out. False when it ran none.
  bool take_part_below(int limit);

  // The processor's hint for a spinning wait.
  static void pause() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
  }
  // Spins until ready(), then looks again every kWaitStep: for a wait that another thread ends,
  // soon as a rule, or only after long when what it waits for is held up (the drawing paused in
  // the desktop program), which then costs no core.
  template <class Ready>
  static void wait_until(Ready ready) {
    for (int spins = 0; !ready();) {
      if (spins < kSpinsBeforeSleep) {
        ++spins;
        pause();
      } else {
        std::this_thread::sleep_for(kWaitStep);
      }
    }
  }

 private:
  void start_erased(int parts, void (*call)(void*, int), void* task);
  void help();
  void take_parts();
  // Whether the helpers take part in the round of `parts` parts.
  bool helped(int parts) const { return !threads_.empty() && parts > 1; }
  static constexpr int kSpinsBeforeSleep = 1 << 14;
  static constexpr std::chrono::microseconds kWaitStep{100};
  // Waits for a round newer than `seen`; false when the pool is closing.
  bool wait_for_round(std::uint64_t seen);

  // The round's task: written by the tracing thread only while no helper works.
  void (*call_)(void*, int) = nullptr;
  void* task_ = nullptr;
  int parts_ = 0;
  std::atomic<int> next_part_{0};
  std::atomic<int> working_{0};  // helpers not yet done with the round

  std::atomic<std::uint64_t> round_{0};  // raised under mutex_, so a sleeping helper sees it
  bool closing_ = false;                 // under mutex_
  std::mutex mutex_;
  std::condition_variable round_started_, round_done_;

  std::size_t scratch_bytes_;
  const std::atomic<int>* cancel_ = nullptr;
  ZeroedPages scratch_;
  std::vector<std::thread> threads_;
};

}  // namespace lumi
