#include "tracing/sweep_pool.h"

#include <algorithm>
#include <chrono>

namespace lumi {

namespace {

// How long a helper, or the tracing thread, keeps looking for the next event before it sleeps: a
// pass starts its sweeps a fraction of a millisecond apart, and waking a sleeping thread can
// cost as much on a virtual machine.
constexpr auto kSpinTime = std::chrono::milliseconds(2);

// Spins until ready() or kSpinTime has passed; returns ready().
template <class Ready>
bool spin_until(Ready ready) {
  const auto deadline = std::chrono::steady_clock::now() + kSpinTime;
  for (;;) {
    for (int i = 0; i < 256; ++i) {
      if (ready()) return true;
      SweepPool::pause();
    }
    if (std::chrono::steady_clock::now() > deadline) return ready();
  }
}

}  // namespace

int SweepPool::default_helpers() {
  const int cores = static_cast<int>(std::thread::hardware_concurrency());
  return std::clamp(cores - 1, 0, 7);
}

// The scratch memory starts on a cache line (on a 2 MB page, see ZeroedPages) and is whole lines
// long.
SweepPool::SweepPool(int helpers, std::size_t scratch_bytes)
    : scratch_bytes_((std::max(scratch_bytes, kLeastScratchBytes) + kCacheLine - 1) / kCacheLine *
                     kCacheLine),
      scratch_(scratch_bytes_) {
  threads_.reserve(static_cast<std::size_t>(std::max(helpers, 0)));
  for (int i = 0; i < helpers; ++i) threads_.emplace_back([this] { help(); });
}

SweepPool::~SweepPool() {
  {
    std::lock_guard lock(mutex_);
    closing_ = true;
    round_.fetch_add(1, std::memory_order_release);
  }
  round_started_.notify_all();
  for (std::thread& t : threads_) t.join();
}

void SweepPool::start_erased(int parts, void (*call)(void*, int), void* task) {
  call_ = call;
  task_ = task;
  parts_ = parts;
  next_part_.store(0, std::memory_order_relaxed);
  if (!helped(parts)) return;
  working_.store(helpers(), std::memory_order_relaxed);
  {
    std::lock_guard lock(mutex_);
    round_.fetch_add(1, std::memory_order_release);
  }
  round_started_.notify_all();
}

void SweepPool::finish() {
  take_parts();
  if (!helped(parts_)) return;
  // The helpers' results are visible once each has said it is done
  if (spin_until([this] { return working_.load(std::memory_order_acquire) == 0; })) return;
  std::unique_lock lock(mutex_);
  round_done_.wait(lock, [this] { return working_.load(std::memory_order_acquire) == 0; });
}

void SweepPool::take_parts() {
  for (;;) {
    const int part = next_part_.fetch_add(1, std::memory_order_relaxed);
    if (part >= parts_) return;
    call_(task_, part);
  }
}

bool SweepPool::take_part_below(int limit) {
  int part = next_part_.load(std::memory_order_relaxed);
  while (part < parts_ && part < limit) {
    if (next_part_.compare_exchange_weak(part, part + 1, std::memory_order_relaxed)) {
      call_(task_, part);
      return true;
    }
  }
  return false;
}

bool SweepPool::wait_for_round(std::uint64_t seen) {
  spin_until([&] { return round_.load(std::memory_order_acquire) != seen; });
  std::unique_lock lock(mutex_);
  round_started_.wait(lock, [&] { return round_.load(std::memory_order_acquire) != seen; });
  return !closing_;
}

void SweepPool::help() {
  std::uint64_t seen = 0;
  for (;;) {
    if (!wait_for_round(seen)) return;
    seen = round_.load(std::memory_order_acquire);
    take_parts();
    if (working_.fetch_sub(1, std::memory_order_acq_rel) == 1) {
      std::lock_guard lock(mutex_);
      round_done_.notify_one();
    }
  }
}

}  // namespace lumi
