#include "level/core/task.h"

#include <algorithm>
#include <utility>

namespace tavrin {

void Task::then(int count, std::function<void(int)> piece, std::function<void()> end) {
    Stage stage;
    stage.count = count;
    stage.piece = std::move(piece);
    stage.end = std::move(end);
    m_stages.push_back(std::move(stage));
    counted(count);
}

void Task::counted(int pieces) {
    const int known = std::min(pieces, m_expected);
    m_expected -= known;
    m_total += pieces - known;
}

void Task::thenAside(std::function<void()> work) {
    Stage stage;
    stage.count = 1;
    stage.aside = std::move(work);
    m_stages.push_back(std::move(stage));
    counted(1);
}

bool Task::asideNext() const {
    return !m_stages.empty() && m_stages.front().aside;
}

std::function<void()> Task::takeAside() {
    std::function<void()> work = std::move(m_stages.front().aside);
    m_stages.pop_front();
    ++m_done;
    return work;
}

bool Task::advance() {
    if (m_stages.empty())
        return false;
    if (asideNext()) {
        takeAside()();
        return !m_stages.empty();
    }
    Stage& stage = m_stages.front();
    if (stage.next < stage.count) {
        stage.piece(stage.next);
        ++stage.next;
        ++m_done;
        return true;
    }
    // The end may add stages behind this one, so it is taken off first.
    std::function<void()> end = std::move(stage.end);
    m_stages.pop_front();
    if (end)
        end();
    return !m_stages.empty();
}

void RunToEnd(Task& task) {
    while (task.advance()) {
    }
}

bool RunToEnd(Task& task, const std::function<bool(int, int)>& goOn) {
    while (!task.finished()) {
        if (goOn && !goOn(task.done(), task.total()))
            return false;
        task.advance();
    }
    return true;
}

} // namespace tavrin
