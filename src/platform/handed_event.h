// SPDX-License-Identifier: MIT
#pragma once

#include <QEvent>
#include <atomic>
#include <utility>
#include <variant>

// An event posted from one thread to another with what it carries. Qt's
// event queue hands it over under a lock of its own that a thread checker
// cannot see; the flag, stored once the payload is made and read before it
// is used or destroyed, makes the hand-over explicit. A queued call would
// carry its captures across unseen.
template <typename Payload = std::monostate>
class HandedEvent : public QEvent {
public:
    explicit HandedEvent(QEvent::Type type, Payload payload = {})
        : QEvent(type), m_payload(std::move(payload)) {
        m_bPosted.store(true, std::memory_order_release);
    }
    ~HandedEvent() override { m_bPosted.load(std::memory_order_acquire); }

    // What the event carries, or nullptr when it is not one of these. Nothing
    // of the event, its type included, is to be read before this.
    static const Payload* Take(const QEvent& e) {
        const auto* pEvent = dynamic_cast<const HandedEvent*>(&e);
        if (!pEvent || !pEvent->m_bPosted.load(std::memory_order_acquire)) return nullptr;
        return &pEvent->m_payload;
    }

private:
    Payload m_payload;
    std::atomic<bool> m_bPosted{false};
};
