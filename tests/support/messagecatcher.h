#pragma once

#include "level/core/failure.h"

#include <QList>
#include <QString>

namespace tavrin {

// Records every message the program shows instead of opening a message box. The sink that was there
// before comes back when the catcher goes.
class MessageCatcher {
public:
    struct Message {
        QString title;
        QString text;
        bool operator==(const Message& other) const { return title == other.title && text == other.text; }
    };

    MessageCatcher();
    ~MessageCatcher();
    MessageCatcher(const MessageCatcher&) = delete;
    MessageCatcher& operator=(const MessageCatcher&) = delete;

    const QList<Message>& messages() const { return m_messages; }
    int count() const { return static_cast<int>(m_messages.size()); }
    void clear() { m_messages.clear(); }

private:
    QList<Message> m_messages;
    MessageSink m_previous;
};

} // namespace tavrin
