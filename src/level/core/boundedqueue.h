#pragma once

#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <utility>

namespace tavrin {

// Hands items from one thread to another, in order, at most `capacity` waiting: push waits while the queue
// is full and pop while it is empty. Either side may close it: the producer when it has no more (pop then
// gives what waits and reports the end), the consumer when it wants no more (push then refuses at once).
// Whatever the producer throws, of any type, ends the queue too and is thrown again by the consumer's pop
// once the items before it are taken, on the consumer's thread, instead of ending the program.
template <typename T> class BoundedQueue {
public:
    explicit BoundedQueue(size_t capacity) : m_capacity(capacity) {}
    BoundedQueue(const BoundedQueue&) = delete;
    BoundedQueue& operator=(const BoundedQueue&) = delete;

    // Waits for room. False once the queue is closed, and the item is dropped.
    bool push(T item) {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_notFull.wait(lock, [this] { return m_closed || m_items.size() < m_capacity; });
        return put(lock, std::move(item));
    }
    // Without waiting: false, and the item dropped, when the queue is full or closed.
    bool tryPush(T item) {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_items.size() < m_capacity && put(lock, std::move(item));
    }

    // Waits for an item. False at the end: the queue closed and nothing left in it. The producer's
    // exception is thrown in place of the end, as often as pop is called.
    bool pop(T& item) {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_notEmpty.wait(lock, [this] { return m_closed || !m_items.empty(); });
        return take(lock, item);
    }
    // Without waiting: false when no item waits; the producer's exception as pop throws it.
    bool tryPop(T& item) {
        std::unique_lock<std::mutex> lock(m_mutex);
        return take(lock, item);
    }

    // No more items, from either side.
    void close() { close(nullptr); }
    // The producer's end with what it threw; only the first exception is kept.
    void close(std::exception_ptr error) {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_closed = true;
            if (!m_error)
                m_error = std::move(error);
        }
        m_notFull.notify_all();
        m_notEmpty.notify_all();
    }
    bool closed() const {
        const std::lock_guard<std::mutex> lock(m_mutex);
        return m_closed;
    }

    // Runs the producer's `work` (on its own thread, as a rule) and closes the queue after it, with the
    // exception it threw if it threw one.
    template <typename Work> void produce(Work&& work) noexcept {
        try {
            work();
            close();
        } catch (...) {
            close(std::current_exception());
        }
    }

private:
    bool put(std::unique_lock<std::mutex>& lock, T&& item) {
        if (m_closed)
            return false;
        m_items.push_back(std::move(item));
        lock.unlock();
        m_notEmpty.notify_one();
        return true;
    }
    bool take(std::unique_lock<std::mutex>& lock, T& item) {
        if (m_items.empty()) {
            if (m_closed && m_error)
                std::rethrow_exception(m_error);
            return false;
        }
        item = std::move(m_items.front());
        m_items.pop_front();
        lock.unlock();
        m_notFull.notify_one();
        return true;
    }

    const size_t m_capacity;
    mutable std::mutex m_mutex;
    std::condition_variable m_notFull;
    std::condition_variable m_notEmpty;
    std::deque<T> m_items;
    bool m_closed = false;
    std::exception_ptr m_error;
};

} // namespace tavrin
