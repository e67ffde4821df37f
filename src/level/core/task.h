#pragma once

#include <deque>
#include <functional>

namespace tavrin {

// Work of many pieces (a screen each, as a rule), done a piece at a time by whoever runs it: the editor
// between repaints of its progress dialog, the command line and the tests at once (RunToEnd). Each stage
// is a number of pieces and an end; an end may add the stages that follow it. Work that is given up (the
// task destroyed before its last end has run) changes nothing the level holds: every task of the document
// makes its change in its last end, the one moment the disk and the memory change.
class Task {
public:
    Task() = default;
    Task(const Task&) = delete;
    Task& operator=(const Task&) = delete;
    virtual ~Task() = default;

    // `count` pieces, piece(i) for i from 0 on, then `end`. Stages run in the order they were added.
    void then(int count, std::function<void(int piece)> piece, std::function<void()> end = {});
    // One piece that runs where it keeps the window drawn and answering its progress dialog (another thread
    // in the editor). It must touch nothing but what it alone holds: files it reads and its own results.
    void thenAside(std::function<void()> work);
    // `pieces` more are known to follow, in stages an end will add: counted in the total from now on.
    void expect(int pieces) { m_total += pieces, m_expected += pieces; }

    // Does the next piece, or the end of a stage; false once nothing is left. A piece that throws leaves
    // the task to be given up.
    bool advance();
    bool finished() const { return m_stages.empty(); }
    // The piece to be done next and all pieces known so far (stages not added yet are not counted).
    int done() const { return m_done; }
    int total() const { return m_total; }
    // The piece at the front is one to be done aside (see thenAside).
    bool asideNext() const;
    // Takes the aside work at the front, for the caller to run where it wants; the stage counts as done.
    std::function<void()> takeAside();

private:
    struct Stage {
        int count = 0;
        int next = 0;
        std::function<void(int)> piece;
        std::function<void()> end;
        std::function<void()> aside;
    };
    std::deque<Stage> m_stages;
    int m_done = 0;
    int m_total = 0;
    int m_expected = 0; // pieces counted in the total before their stage was added
    void counted(int pieces);
};

// Runs every piece of `task` here and now.
void RunToEnd(Task& task);
// The same, asking `goOn` before each piece: false gives the task up (false returned).
bool RunToEnd(Task& task, const std::function<bool(int done, int total)>& goOn);

} // namespace tavrin
