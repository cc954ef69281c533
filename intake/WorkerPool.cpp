#include "WorkerPool.h"

#include <condition_variable>
#include <deque>
#include <list>
#include <mutex>
#include <thread>

namespace vantrel::intake {

struct WorkerPool::State {
    State(std::chrono::milliseconds lifetime, std::size_t idleLimit)
        : idleLifetime(lifetime), maxIdle(idleLimit) {}

    // The loop of one pool thread: its first job, then whatever it is handed
    // while idle, until its idle lifetime passes or the pool stops.
    static void Work(std::shared_ptr<State> state, Job job, std::list<std::thread>::iterator self);

    const std::chrono::milliseconds idleLifetime;
    const std::size_t maxIdle;
    std::mutex mutex;
    // Idle threads wait here for a job or the stop.
    std::condition_variable wake;
    // Signalled when the last thread has left `threads`.
    std::condition_variable allGone;
    // Jobs handed to idle threads and not yet taken; never more than `idle`.
    std::deque<Job> jobs;
    std::size_t idle = 0;
    bool stopping = false;
    // Every thread that has not yet ended; an ending thread moves its own
    // handle from here to `lastEnded`.
    std::list<std::thread> threads;
    std::thread lastEnded;
};

void WorkerPool::State::Work(std::shared_ptr<State> state, Job job,
                             std::list<std::thread>::iterator self) {
    std::unique_lock lock(state->mutex, std::defer_lock);
    for (;;) {
        try {
            job();
        } catch (...) {
            // A job reports its own failures; the thread goes on serving.
        }
        // Whatever the job holds is released before the thread waits.
        job = nullptr;
        lock.lock();
        if (state->stopping || state->idle >= state->maxIdle)
            break;
        ++state->idle;
        const bool woken = state->wake.wait_for(lock, state->idleLifetime, [&state] {
            return !state->jobs.empty() || state->stopping;
        });
        --state->idle;
        if (!woken || state->jobs.empty())
            break;
        job = std::move(state->jobs.front());
        state->jobs.pop_front();
        lock.unlock();
    }
    std::thread previous = std::move(state->lastEnded);
    state->lastEnded = std::move(*self);
    state->threads.erase(self);
    if (state->threads.empty())
        state->allGone.notify_all();
    lock.unlock();
    if (previous.joinable())
        previous.join();
}

WorkerPool::WorkerPool(std::chrono::milliseconds idleLifetime, std::size_t maxIdle)
    : state_(std::make_shared<State>(idleLifetime, maxIdle)) {}

WorkerPool::~WorkerPool() {
    if (!stopped_)
        Stop(true);
}

bool WorkerPool::Run(Job job) {
    std::lock_guard lock(state_->mutex);
    if (state_->stopping)
        return false;
    try {
        if (state_->idle > state_->jobs.size()) {
            state_->jobs.push_back(std::move(job));
            state_->wake.notify_one();
            return true;
        }
        auto entry = state_->threads.insert(state_->threads.end(), std::thread());
        try {
            // Started under the lock, so that the thread cannot end and move
            // its handle before the handle is stored.
            *entry = std::thread(&State::Work, state_, std::move(job), entry);
        } catch (...) {
            state_->threads.erase(entry);
            throw;
        }
        return true;
    } catch (...) {
        return false;
    }
}

void WorkerPool::Stop(bool wait) {
    stopped_ = true;
    std::thread last;
    {
        std::unique_lock lock(state_->mutex);
        state_->stopping = true;
        state_->wake.notify_all();
        if (wait) {
            state_->allGone.wait(lock, [this] { return state_->threads.empty(); });
        } else {
            for (std::thread& thread : state_->threads) {
                thread.detach();
            }
        }
        last = std::move(state_->lastEnded);
    }
    // It has left its loop and at most joins the one before it.
    if (last.joinable())
        last.join();
}

}  // namespace vantrel::intake
