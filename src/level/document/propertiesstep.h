#pragma once

#include "level/document/undostep.h"

namespace tavrin {

// The seven level properties, before and after: level-wide.
class LevelDocument::PropertiesStep : public Step {
public:
    PropertiesStep(LevelDocument& document, PropertyValues before, PropertyValues after)
        : Step(QStringLiteral("Level Properties"), -1), m_document(document), m_before(std::move(before)),
          m_after(std::move(after)) {}
    void undo() override { m_document.storeProperties(m_before); }
    void redo() override {
        if (!firstRedo())
            m_document.storeProperties(m_after);
    }

private:
    LevelDocument& m_document;
    PropertyValues m_before;
    PropertyValues m_after;
};

} // namespace tavrin
