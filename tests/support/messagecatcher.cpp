#include "messagecatcher.h"

namespace tavrin {

MessageCatcher::MessageCatcher() {
    m_previous = SetMessageSink([this](const QString& title, const QString& text) {
        m_messages.append(Message{title, text});
    });
}

MessageCatcher::~MessageCatcher() {
    SetMessageSink(m_previous);
}

} // namespace tavrin
