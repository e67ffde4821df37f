#pragma once

#include "level/storage/fileaccess.h"

#include <QIODevice>
#include <QString>

namespace tavrin {

// A level file as JSON, for game engines and scripts: the "format" and "formatVersion" written at the top of
// it. docs/level-json.md describes the whole layout.
constexpr const char* LevelJsonFormat = "tavrin-level";
constexpr int LevelJsonVersion = 1;

// Writes the level file `levelPath` to `out` as JSON, record by record, so that memory stays small
// whatever the size of the level. Screens written as the editor writes them become screen objects with
// named tile fields (and, for engines, each tile's colour as the editor draws it and its picture file
// from the level folder), the last record, the level properties, an object of its own; every other record is
// kept in a list of records, as its fields or, when they would not give its bytes back, as its bytes.
// Failure 53 for a missing file, 321 for a file that holds no level record or a field that is too long,
// and the failure of writing `out`; each description names the file.
void ExportLevelJson(FileAccess& files, const QString& levelPath, QIODevice* out);

// Reads the JSON file `jsonPath`, as ExportLevelJson writes it or a script makes it in its layout, and
// writes the level file to `out`, one screen at a time. A level file exported and imported again comes
// back byte for byte. Failure 53 for a missing file, 321 for malformed JSON, 5 for a text that a level
// file cannot hold: each description names the file, and the line and byte where the fault stands.
// Writing stops at the first failure, so the caller commits `out` only when this returns.
void ImportLevelJson(FileAccess& files, const QString& jsonPath, QIODevice* out);

} // namespace tavrin
