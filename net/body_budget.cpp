#include "net/body_budget.h"

#include <algorithm>

namespace net {

size_t BodyBudget::InUse() {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_inUse;
}

BodyLease::BodyLease(BodyBudget& budget) : m_budget(budget) {
    std::lock_guard<std::mutex> lock(m_budget.m_lock);
    m_ticket = m_budget.m_nextTicket++;
}

BodyLease::~BodyLease() {
    std::lock_guard<std::mutex> lock(m_budget.m_lock);
    GiveLocked(m_held);
}

bool BodyLease::Take(size_t bytes, Clock::time_point deadline) {
    if (bytes == 0) return true;
    BodyBudget& b = m_budget;
    std::unique_lock<std::mutex> lock(b.m_lock);
    const auto waiting = b.m_waiting.insert(m_ticket);  // this call's own place in the queue
    for (;;) {
        const bool oldest = *b.m_waiting.begin() == m_ticket;
        const bool fits = b.m_inUse <= b.m_limit && bytes <= b.m_limit - b.m_inUse;
        if (b.m_overdraft == this || (oldest && fits)) break;
        if (oldest && !b.m_overdraft) {
            b.m_overdraft = this;
            break;
        }
        if (b.m_changed.wait_until(lock, deadline) == std::cv_status::timeout &&
            Clock::now() >= deadline) {
            b.m_waiting.erase(waiting);
            b.m_changed.notify_all();  // the next waiter may now be the oldest
            return false;
        }
    }
    b.m_waiting.erase(waiting);
    b.m_inUse += bytes;
    m_held += bytes;
    b.m_changed.notify_all();  // the next waiter may fit as well
    return true;
}

void BodyLease::Give(size_t bytes) {
    std::lock_guard<std::mutex> lock(m_budget.m_lock);
    GiveLocked(bytes);
}

size_t BodyLease::Held() {
    std::lock_guard<std::mutex> lock(m_budget.m_lock);
    return m_held;
}

void BodyLease::GiveLocked(size_t bytes) {
    bytes = std::min(bytes, m_held);
    m_held -= bytes;
    m_budget.m_inUse -= bytes;
    if (m_held == 0 && m_budget.m_overdraft == this) m_budget.m_overdraft = nullptr;
    if (bytes || !m_budget.m_waiting.empty()) m_budget.m_changed.notify_all();
}

bool BodyRoom::Reserve(std::string& body, size_t size, size_t ceiling, Clock::time_point deadline) {
    if (size <= body.capacity() && size <= m_charged) return true;
    size_t room = std::max(size, std::min(body.capacity() * 2, ceiling));
    if (room > m_charged) {
        if (!m_lease.Take(room - m_charged, deadline)) return false;
        m_charged = room;
    }
    if (room > body.capacity()) {
        // Grown from an empty string, so that it gets exactly the room charged: a string that
        // grows in place may double its capacity past the body's cap.
        std::string grown;
        grown.reserve(room);
        grown.assign(body);
        body.swap(grown);
    }
    return true;
}

void BodyRoom::GiveBack() {
    m_lease.Give(m_charged);
    m_charged = 0;
}

}  // namespace net
