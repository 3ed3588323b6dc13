// SPDX-License-Identifier: MIT
#include "support/message_recorder.h"

#include <QStringList>

MessageRecorder::MessageRecorder() {
    m_previous = SetMessageHandler([this](const MessageRequest& request) {
        std::function<void(const MessageRequest&)> hook;
        MsgResult answer = MsgResult::Ok;
        bool bQueued = false;
        {
            std::lock_guard lock(m_mutex);
            m_messages.push_back(request);
            hook = m_onMessage;
            if (!m_answers.empty()) {
                answer = m_answers.front();
                m_answers.pop_front();
                bQueued = true;
            }
        }
        if (hook) hook(request);
        if (!bQueued && (request.buttons == MsgButtons::YesNo ||
                         request.buttons == MsgButtons::YesNoCancel)) {
            answer = MsgResult::Yes;
        }
        return answer;
    });
    m_previousBeep = SetBeepHandler([this] {
        std::lock_guard lock(m_mutex);
        ++m_nBeeps;
    });
}

MessageRecorder::~MessageRecorder() {
    SetMessageHandler(std::move(m_previous));
    SetBeepHandler(std::move(m_previousBeep));
}

void MessageRecorder::QueueAnswer(MsgResult answer) {
    std::lock_guard lock(m_mutex);
    m_answers.push_back(answer);
}

void MessageRecorder::SetOnMessage(std::function<void(const MessageRequest&)> fn) {
    std::lock_guard lock(m_mutex);
    m_onMessage = std::move(fn);
}

std::vector<MessageRequest> MessageRecorder::Messages() const {
    std::lock_guard lock(m_mutex);
    return m_messages;
}

std::size_t MessageRecorder::Count() const {
    std::lock_guard lock(m_mutex);
    return m_messages.size();
}

QStringList MessageRecorder::Texts() const {
    std::lock_guard lock(m_mutex);
    QStringList texts;
    for (const MessageRequest& m : m_messages) texts << m.text;
    return texts;
}

int MessageRecorder::Beeps() const {
    std::lock_guard lock(m_mutex);
    return m_nBeeps;
}
