// Any bytes as the session file of a scratch folder: read, never crashing. What is read, written as the
// editor writes it and read again, is the same state (the time of the last edit to the second), and is not
// damaged.
#include "fuzzsupport.h"
#include "level/storage/session.h"

using namespace tavrin;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const QString folder = fuzz::folder(); // made first, so that it is removed after the claim
    static Session session;
    if (session.folder().isEmpty() && !session.claim(folder))
        fuzz::fault("the folder could not be claimed");
    fuzz::writeFile(Session::FileName, QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    std::optional<SessionState> state = Session::read(folder);
    if (!state)
        fuzz::fault("a session file was not read");
    FileAccess files;
    session.write(files, *state);
    // The time of the last edit is written to the second.
    state->lastEdit = state->lastEdit.addMSecs(-state->lastEdit.time().msec());
    const std::optional<SessionState> again = Session::read(folder);
    if (!again || again->damaged || !again->sameContent(*state))
        fuzz::fault("a session written and read again changed");
    return 0;
}
