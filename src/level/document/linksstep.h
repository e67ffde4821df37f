#pragma once

#include "level/document/undostep.h"

namespace tavrin {

// The side links of one screen, before and after.
class LevelDocument::LinksStep : public Step {
public:
    LinksStep(LevelDocument& document, int screen, const SideLinks& before, const SideLinks& after)
        : Step(QStringLiteral("Screen Properties"), screen), m_document(document), m_before(before),
          m_after(after) {}
    void undo() override { m_document.storeLinks(screen(), m_before); }
    void redo() override {
        if (!firstRedo())
            m_document.storeLinks(screen(), m_after);
    }

private:
    LevelDocument& m_document;
    SideLinks m_before;
    SideLinks m_after;
};

} // namespace tavrin
