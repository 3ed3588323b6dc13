// SPDX-License-Identifier: MIT
#pragma once

#include <deque>
#include <functional>
#include <mutex>
#include <vector>

#include "platform/message_box.h"

// Stands in for every message box while it lives: records caption, text and
// icon, and answers as the test scripted (OK / Yes when nothing is queued).
// Safe to use from worker threads.
class MessageRecorder {
public:
    MessageRecorder();
    ~MessageRecorder();
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    void QueueAnswer(MsgResult answer);
    // Runs inside the box, on the thread that showed it, before it answers.
    void SetOnMessage(std::function<void(const MessageRequest&)> fn);

    std::vector<MessageRequest> Messages() const;
    std::size_t Count() const;
    QStringList Texts() const;
    int Beeps() const;

private:
    mutable std::mutex m_mutex;
    std::vector<MessageRequest> m_messages;
    std::deque<MsgResult> m_answers;
    std::function<void(const MessageRequest&)> m_onMessage;
    int m_nBeeps = 0;
    MessageHandler m_previous;
    std::function<void()> m_previousBeep;
};
