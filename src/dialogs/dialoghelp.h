#pragma once

namespace tavrin {

class LevelProp;
class ScreenProp;

// Tooltips that say what each control of the two property dialogs does. They change no caption, text,
// place or behaviour.
void ExplainLevelProp(LevelProp& dialog);
void ExplainScreenProp(ScreenProp& dialog);

} // namespace tavrin
