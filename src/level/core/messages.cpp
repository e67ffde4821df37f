#include "level/core/messages.h"

#include <QCoreApplication>
#include <iterator>

namespace tavrin {

namespace {

struct Entry {
    Msg id;
    const char* text;
};

// The texts, in the order of Msg. Each one that tells of a fault says what went wrong and, where the user
// can do something about it, what to do.
constexpr Entry Table[] = {
    {Msg::CodeInvalidCall,
     QT_TRANSLATE_NOOP("Messages",
                       "The editor was given a value it cannot use for this command. Check the name or "
                       "text you gave and try again.")},
    {Msg::CodeOverflow,
     QT_TRANSLATE_NOOP("Messages",
                       "A number is too large or too small for where it goes. Type a smaller number: most "
                       "boxes take a whole number from -32768 to 32767.")},
    {Msg::CodeSubscript,
     QT_TRANSLATE_NOOP("Messages",
                       "A number names a tile, screen or entry that does not exist. Use a number within "
                       "the range shown, such as a tile from 1 to 300.")},
    {Msg::CodeTypeMismatch,
     QT_TRANSLATE_NOOP("Messages", "A text was given where a number is needed. Type a whole number.")},
    {Msg::CodeFileNotFound,
     QT_TRANSLATE_NOOP("Messages",
                       "The file is not there. Check its name and folder, or put it back, and try "
                       "again.")},
    {Msg::CodeDiskFull,
     QT_TRANSLATE_NOOP("Messages",
                       "The disk is full. Make room on it and try again; nothing was lost: the file on disk "
                       "is as it was before.")},
    {Msg::CodeInputPastEnd,
     QT_TRANSLATE_NOOP("Messages",
                       "The file ends in the middle of a record, so it was cut short or damaged. Load "
                       "a whole copy of it, or mend its last line in a text editor.")},
    {Msg::CodePermission,
     QT_TRANSLATE_NOOP("Messages",
                       "You may not open or change this file or folder. Choose another place, or get the "
                       "right to write there, and try again.")},
    {Msg::CodePathAccess,
     QT_TRANSLATE_NOOP("Messages",
                       "The file or folder could not be read or written. Check that it is there and that "
                       "its disk can be reached, then try again.")},
    {Msg::CodeInvalidFormat,
     QT_TRANSLATE_NOOP("Messages",
                       "The file is not a level file the editor can read. Choose a level file saved "
                       "by TavrinEditor, or mend the file in a text editor.")},
    {Msg::CodeNoSuchControl,
     QT_TRANSLATE_NOOP("Messages",
                       "The editor asked for a box or tile that the window does not have. Close the "
                       "window and try again; if it happens again, save your work and restart the "
                       "editor.")},
    {Msg::CodeInvalidValue,
     QT_TRANSLATE_NOOP("Messages",
                       "A box holds a value it does not allow. Correct it, keeping to the range named "
                       "beside the box, and try again.")},
    {Msg::CodeInvalidPicture,
     QT_TRANSLATE_NOOP("Messages",
                       "The file is not a picture the editor can read. Choose a BMP, PNG, JPEG or "
                       "GIF file.")},
    {Msg::CodeCancel,
     QT_TRANSLATE_NOOP("Messages",
                       "The command was cancelled, so nothing was changed. Give the command again when you "
                       "are ready.")},

    {Msg::NamedFailure, QT_TRANSLATE_NOOP("Messages", "%1: %2")},
    {Msg::FieldFailure, QT_TRANSLATE_NOOP("Messages", "%1 in line %2 of %3, field %4 (%5): %6")},

    {Msg::PictureFileNotFound, QT_TRANSLATE_NOOP("Messages", "File not found: '%1'")},
    {Msg::NotALevelFile,
     QT_TRANSLATE_NOOP("Messages",
                       "%1 is not a level file: none of its records is a level record (\"LevelProp\" or "
                       "\"Screen\" followed by a screen number).")},
    {Msg::NotARegularFile,
     QT_TRANSLATE_NOOP("Messages",
                       "%1 is not a regular file but a folder, a pipe or a device: it cannot be read as a "
                       "level.")},
    {Msg::OpenPermission, QT_TRANSLATE_NOOP("Messages", "Permission denied: %1")},
    {Msg::OpenAccess, QT_TRANSLATE_NOOP("Messages", "Path/File access error: %1 (%2)")},
    {Msg::DeviceAccess, QT_TRANSLATE_NOOP("Messages", "Path/File access error: %1")},
    {Msg::WriteDiskFull,
     QT_TRANSLATE_NOOP("Messages", "Disk full: there is no room left on the disk for %1 (%2).")},
    {Msg::WritePermission, QT_TRANSLATE_NOOP("Messages", "Permission denied: %1 may not be written (%2).")},
    {Msg::WriteAccess,
     QT_TRANSLATE_NOOP("Messages", "Path/File access error: %1 could not be written (%2).")},
    {Msg::WrittenInPart, QT_TRANSLATE_NOOP("Messages", "only %1 of %2 bytes were written")},
    {Msg::FileNotChanged, QT_TRANSLATE_NOOP("Messages", "The file was not changed.")},
    {Msg::FileNotCreated, QT_TRANSLATE_NOOP("Messages", "The file was not created.")},
    {Msg::FieldTooLong,
     QT_TRANSLATE_NOOP("Messages",
                       "Invalid file format: field %1 of the record at byte %2 holds more than 1 MB (it "
                       "begins at byte %3); no level has a field that long.")},
    {Msg::TextHoldsQuote,
     QT_TRANSLATE_NOOP("Messages",
                       "The text \"%1\" holds a double quote, which a level file cannot store. Use "
                       "another character instead.")},
    {Msg::TextHoldsCharacter,
     QT_TRANSLATE_NOOP("Messages",
                       "The text \"%1\" holds the character '%2', which a level file cannot store. "
                       "Use Latin letters, digits and punctuation.")},
    {Msg::InvalidPictureFile, QT_TRANSLATE_NOOP("Messages", "Invalid picture: %1")},
    {Msg::PictureTooLarge,
     QT_TRANSLATE_NOOP("Messages",
                       "Invalid picture: %1 is %2 x %3 pixels, and the editor reads pictures of at most %4 "
                       "pixels. Make it smaller in a picture editor.")},

    {Msg::ImportNotAPicture,
     QT_TRANSLATE_NOOP("Messages",
                       "%1 is not a picture the editor can read (BMP, PNG, JPEG or GIF), so it was "
                       "not copied.")},
    {Msg::PicturesFolderNotMade,
     QT_TRANSLATE_NOOP("Messages", "The pictures folder %1 cannot be made, so the picture was not copied. "
                                   "Check that you may write there.")},
    {Msg::PicturesFolderMissing,
     QT_TRANSLATE_NOOP("Messages",
                       "The pictures folder %1 is missing, so the tiles show no pictures. Put the "
                       "Pics folder beside the editor.")},
    {Msg::PicturesNotCarried,
     QT_TRANSLATE_NOOP("Messages",
                       "The level was saved, but these pictures could not be copied into %1:\n%2\nThey "
                       "are still in %3, where this editor finds them; the next save tries again.")},

    {Msg::NothingLoaded, QT_TRANSLATE_NOOP("Messages", "Nothing was loaded.")},
    {Msg::StartTileNotOnGrid,
     QT_TRANSLATE_NOOP("Messages", "The starting tile is not a tile of the grid (1 to 300)")},
    {Msg::ScratchFileDamaged,
     QT_TRANSLATE_NOOP("Messages",
                       "The scratch file %1 of screen %2 is damaged, so the changes kept in it cannot "
                       "be read back. The screen comes from the level file instead.")},
    {Msg::ScratchFileGone,
     QT_TRANSLATE_NOOP("Messages",
                       "The scratch file %1 of screen %2 has gone, so the changes made to the screen are "
                       "lost. The screen comes from the level file instead.")},
    {Msg::ScreenReadUpTo,
     QT_TRANSLATE_NOOP("Messages",
                       "%1. Screen %2 was read only up to there, so it is kept as it stands in its file: "
                       "changes made to it are not kept.")},
    {Msg::LevelFileGoneBlank,
     QT_TRANSLATE_NOOP("Messages", "The level file %1 is no longer there, so screen %2 comes out blank.")},
    {Msg::NotAScreenNumber,
     QT_TRANSLATE_NOOP("Messages", "'%1' is not a screen number: type a whole number from 0 to 32767.")},
    {Msg::TemplateMissing,
     QT_TRANSLATE_NOOP("Messages", "File not found: the template level %1 is missing.")},
    {Msg::StepScreenUnreadable,
     QT_TRANSLATE_NOOP(
         "Messages", "Screen %1 cannot be read whole, so \"%2\" was not %3 and nothing changed. Its scratch "
                     "file or the level file was changed or removed outside the editor.")},
    {Msg::NoSuchScreen,
     QT_TRANSLATE_NOOP("Messages", "Screen %1 is no screen: screens are numbered from 0 (a link of -1 leads "
                                   "nowhere, as after its screen was deleted).")},
    {Msg::LastScreenTaken,
     QT_TRANSLATE_NOOP("Messages", "The level has its last screen already: no screen can be added")},
    {Msg::KeepOneScreen,
     QT_TRANSLATE_NOOP("Messages", "A level keeps at least one screen: screen %1 cannot be deleted")},
    {Msg::NotOneOfTheScreens,
     QT_TRANSLATE_NOOP("Messages", "Screen %1 is not one of the level's screens 0 to %2")},

    {Msg::LastScreenBelowZero,
     QT_TRANSLATE_NOOP("Messages",
                       "The last screen is %1. A level has screens 0 to its last screen, so the last "
                       "screen must be 0 or more: set it in Level Properties (F3) and save again.")},
    {Msg::LevelFileGoneBeforeSave,
     QT_TRANSLATE_NOOP("Messages", "The level file %1, which holds the screens not visited yet, is no "
                                   "longer there. Put it back, or load a level, before saving.")},
    {Msg::CopiedThroughOne,
     QT_TRANSLATE_NOOP("Messages",
                       "The level was saved to %1, but screen %2 could not be read whole, so its "
                       "records were copied into the file unchanged, as they stand in its source:")},
    {Msg::CopiedThroughMany,
     QT_TRANSLATE_NOOP("Messages",
                       "The level was saved to %1, but %2 screens could not be read whole, so their "
                       "records were copied into the file unchanged, as they stand in their "
                       "sources:")},
    {Msg::CopiedThroughScreen, QT_TRANSLATE_NOOP("Messages", "Screen %1: %2")},
    {Msg::CopiedThroughMore, QT_TRANSLATE_NOOP("Messages", "... and %1 more.")},

    {Msg::ImageTooLarge,
     QT_TRANSLATE_NOOP("Messages", "The image would have %1 pixels or more, and at most %2 can be drawn.")},
    {Msg::DrawSmaller, QT_TRANSLATE_NOOP("Messages", "Draw it at a smaller scale.")},
    {Msg::ScreenDrawnInPart,
     QT_TRANSLATE_NOOP("Messages",
                       "screen %1 could not be read whole and is drawn as far as it was read: %2")},
    {Msg::ScreenNotInLevel,
     QT_TRANSLATE_NOOP("Messages", "screen %1 is not one of the level's screens: its last screen is %2")},

    {Msg::TileBesideGrid,
     QT_TRANSLATE_NOOP("Messages",
                       "Tile %1 beside the grid keeps no picture or properties of its own (only tiles 0 "
                       "to 300 do), so only its colour can be painted. Click a tile of the grid "
                       "instead.")},
    {Msg::DirectionBoxNotNumber,
     QT_TRANSLATE_NOOP("Messages",
                       "The %1 direction box holds \"%2\", which is not a whole number from -32768 "
                       "to 32767. Correct it and click the tile again; nothing was applied.")},
    {Msg::OperandBoxUnusable,
     QT_TRANSLATE_NOOP("Messages", "The %1 operand box cannot be applied. %2 Nothing was applied.")},
    {Msg::NoBrushPicture,
     QT_TRANSLATE_NOOP("Messages",
                       "No brush picture has been chosen yet. Choose one with Change Pic, then click the "
                       "tile again.")},
    {Msg::BrushPictureUnusable,
     QT_TRANSLATE_NOOP("Messages",
                       "The brush picture %1 cannot be painted. %2 Choose a picture from the Pics "
                       "folder with Change Pic, then click the tile again.")},

    {Msg::StartTileRule, QT_TRANSLATE_NOOP("Messages", "Starting Tile must hold a number from 1 to 300.")},
    {Msg::LastScreenRule, QT_TRANSLATE_NOOP("Messages", "Last Screen must hold a number from 0 to 32767.")},
    {Msg::SideLinkRule, QT_TRANSLATE_NOOP("Messages", "Side%1 must hold a number from -32768 to 32767.")},

    {Msg::CannotPlayMissing, QT_TRANSLATE_NOOP("Messages", "Cannot play \"%1\": the file does not exist.")},
    {Msg::CannotPlayNoPlayer,
     QT_TRANSLATE_NOOP("Messages", "Cannot play \"%1\": the media player %2 could not be started, and no "
                                   "application on this system opens the file.")},

    {Msg::UnsavedChangesTitle, QT_TRANSLATE_NOOP("Messages", "Unsaved Changes")},
    {Msg::UnsavedNewLevel,
     QT_TRANSLATE_NOOP("Messages",
                       "The new level has changes that are not saved. Save them before going on?")},
    {Msg::UnsavedLevel,
     QT_TRANSLATE_NOOP("Messages",
                       "The level %1 has changes that are not saved. Save them before going on?")},
    {Msg::RecoverTitle, QT_TRANSLATE_NOOP("Messages", "Recover Unsaved Work")},
    {Msg::RecoverNewLevel,
     QT_TRANSLATE_NOOP("Messages",
                       "TavrinEditor stopped while a new level had changes that were not saved (last "
                       "edit: %1). Recover them? Discard deletes them for good.")},
    {Msg::RecoverLevel,
     QT_TRANSLATE_NOOP("Messages",
                       "TavrinEditor stopped while the level %1 had changes that were not saved (last "
                       "edit: %2). Recover them? Discard deletes them for good.")},
    {Msg::SessionDamaged,
     QT_TRANSLATE_NOOP("Messages",
                       "The session file %1 that an earlier run left is damaged, so the work it names was "
                       "neither recovered nor deleted. It and the scratch files it names are kept in %2.")},
    {Msg::UnknownTime, QT_TRANSLATE_NOOP("Messages", "an unknown time")},
    {Msg::CopyPictureTitle, QT_TRANSLATE_NOOP("Messages", "Copy Picture into the Level")},
    {Msg::CopyPictureText,
     QT_TRANSLATE_NOOP("Messages",
                       "%1 is in neither the level's Pics folder nor the program's, so the level cannot "
                       "show it. Copy it into %2 and use the copy?")},
    {Msg::ReplacePictureTitle, QT_TRANSLATE_NOOP("Messages", "Replace Picture")},
    {Msg::ReplacePictureText,
     QT_TRANSLATE_NOOP("Messages",
                       "%1 already holds another picture named %2. Replace it? Every tile that shows "
                       "it will show the new one.")},
    {Msg::BeyondLastTitle, QT_TRANSLATE_NOOP("Messages", "Screens Beyond the Last Screen")},
    {Msg::BeyondLastOne,
     QT_TRANSLATE_NOOP("Messages",
                       "Screen %1 was edited, but the level ends at screen %2, so the save would leave it "
                       "out. Raise the last screen to %3 and save it too?")},
    {Msg::BeyondLastMany,
     QT_TRANSLATE_NOOP("Messages",
                       "Screens %1 were edited, but the level ends at screen %2, so the save would leave "
                       "them out. Raise the last screen to %3 and save them too?")},
    {Msg::LevelChangedTitle, QT_TRANSLATE_NOOP("Messages", "Level Changed on Disk")},
    {Msg::LevelChanged,
     QT_TRANSLATE_NOOP("Messages", "Another program changed the level file %1 on disk. Load it again? Keep "
                                   "Mine goes on with the level as the editor has it.")},
    {Msg::LevelChangedUnsaved,
     QT_TRANSLATE_NOOP("Messages",
                       "Another program changed the level file %1 on disk. Loading it again would lose the "
                       "changes you have not saved. Keep Mine goes on with them; a save writes them over "
                       "the file.")},
    {Msg::SaveOverChanged,
     QT_TRANSLATE_NOOP("Messages",
                       "Another program changed %1 since the level was loaded or saved. Replace it with the "
                       "level as the editor has it?")},
    {Msg::ButtonSave, QT_TRANSLATE_NOOP("Messages", "Save")},
    {Msg::ButtonDiscard, QT_TRANSLATE_NOOP("Messages", "Discard")},
    {Msg::ButtonCancel, QT_TRANSLATE_NOOP("Messages", "Cancel")},
    {Msg::ButtonRecover, QT_TRANSLATE_NOOP("Messages", "Recover")},
    {Msg::ButtonCopy, QT_TRANSLATE_NOOP("Messages", "Copy")},
    {Msg::ButtonDontCopy, QT_TRANSLATE_NOOP("Messages", "Don't Copy")},
    {Msg::ButtonReplace, QT_TRANSLATE_NOOP("Messages", "Replace")},
    {Msg::ButtonKeep, QT_TRANSLATE_NOOP("Messages", "Keep the One There")},
    {Msg::ButtonRaiseAndSave, QT_TRANSLATE_NOOP("Messages", "Raise and Save")},
    {Msg::ButtonSaveWithout, QT_TRANSLATE_NOOP("Messages", "Save Without Them")},
    {Msg::ButtonReload, QT_TRANSLATE_NOOP("Messages", "Reload")},
    {Msg::ButtonKeepMine, QT_TRANSLATE_NOOP("Messages", "Keep Mine")},

    {Msg::ResolveLeft,
     QT_TRANSLATE_NOOP("Messages",
                       "The merge left %1 of %2 conflicts to settle in %3. The level holds our side of "
                       "each; every Take is one step you can undo.")},
    {Msg::ResolveSettled,
     QT_TRANSLATE_NOOP("Messages", "Every conflict is settled, and %1 is removed. Save the level, then run "
                                   "git add %2 to mark it resolved.")},
    {Msg::ResolveTheirsWhole,
     QT_TRANSLATE_NOOP("Messages", "The editor cannot take their side of this: run tavrin-level merge again "
                                   "with --theirs, or edit the level by hand.")},
    {Msg::CompareWithWhat,
     QT_TRANSLATE_NOOP("Messages", "Compare the level being edited with a level file, or with the level as a "
                                   "git revision of %1 holds it?")},
    {Msg::ButtonLevelFile, QT_TRANSLATE_NOOP("Messages", "A Level File...")},
    {Msg::ButtonGitRevision, QT_TRANSLATE_NOOP("Messages", "A Git Revision...")},
    {Msg::GitRevisionQuestion,
     QT_TRANSLATE_NOOP("Messages", "The git revision to compare %1 with (HEAD, a branch or a commit):")},
    {Msg::GitRevisionUnreadable,
     QT_TRANSLATE_NOOP("Messages", "git cannot show %1 at revision %2: %3 Nothing was compared.")},

    {Msg::JsonAt, QT_TRANSLATE_NOOP("Messages", "%1, line %2 (byte %3): %4")},
    {Msg::JsonExpectedEnd, QT_TRANSLATE_NOOP("Messages", "expected %1, but the JSON ends here")},
    {Msg::JsonExpectedFound, QT_TRANSLATE_NOOP("Messages", "expected %1, found '%2'")},
    {Msg::JsonExpected, QT_TRANSLATE_NOOP("Messages", "expected %1")},
    {Msg::JsonNotUtf8, QT_TRANSLATE_NOOP("Messages", "the string is not valid UTF-8")},
    {Msg::JsonEndsInString,
     QT_TRANSLATE_NOOP("Messages", "the JSON ends inside the string that starts at byte %1")},
    {Msg::JsonControlCharacter,
     QT_TRANSLATE_NOOP("Messages", "a control character in a string must be written as an escape")},
    {Msg::JsonMalformedNumber, QT_TRANSLATE_NOOP("Messages", "malformed number %1")},
    {Msg::JsonEndsInEscape, QT_TRANSLATE_NOOP("Messages", "the JSON ends inside an escape")},
    {Msg::JsonBadUnicodeEscape,
     QT_TRANSLATE_NOOP("Messages", "\\u must be followed by four hexadecimal digits")},
    {Msg::JsonUnknownEscape, QT_TRANSLATE_NOOP("Messages", "unknown escape \\%1")},
    {Msg::JsonLoneLowSurrogate, QT_TRANSLATE_NOOP("Messages", "a \\u escape of a lone low surrogate")},
    {Msg::JsonHighSurrogateAlone,
     QT_TRANSLATE_NOOP("Messages", "a \\u escape of a high surrogate must be followed by a low one")},
    {Msg::JsonKeyTwice, QT_TRANSLATE_NOOP("Messages", "%1 has \"%2\" twice")},
    {Msg::JsonUnknownKey, QT_TRANSLATE_NOOP("Messages", "unknown key \"%1\" in %2")},
    {Msg::JsonKeyMissing, QT_TRANSLATE_NOOP("Messages", "%1 has no \"%2\"")},
    {Msg::JsonBeforeScreens, QT_TRANSLATE_NOOP("Messages", "\"%1\" must come before \"screens\"")},
    {Msg::JsonWrongFormat,
     QT_TRANSLATE_NOOP("Messages", "this is no level JSON: its format is \"%1\", not \"%2\"")},
    {Msg::JsonUnknownVersion,
     QT_TRANSLATE_NOOP("Messages", "format version %1 is not known; this tavrin-level reads version %2")},
    {Msg::JsonFormatFirst,
     QT_TRANSLATE_NOOP("Messages", "\"format\" and \"formatVersion\" must come before \"screens\"")},
    {Msg::JsonTrailingText, QT_TRANSLATE_NOOP("Messages", "more text after the end of the JSON")},
    {Msg::JsonBadLineEnd,
     QT_TRANSLATE_NOOP("Messages", "\"lineEnd\" is \"CRLF\", \"LF\" or \"CR\", not \"%1\"")},
    {Msg::JsonNumberTooLarge, QT_TRANSLATE_NOOP("Messages", "the number %1 is too large")},
    {Msg::JsonWholeNumber, QT_TRANSLATE_NOOP("Messages", "%1 is a whole number from %2 to %3")},
    {Msg::JsonFieldsNoMore, QT_TRANSLATE_NOOP("Messages", "%1 has %2 fields, no more")},
    {Msg::JsonFieldsNot, QT_TRANSLATE_NOOP("Messages", "%1 has %2 fields, not %3")},
    {Msg::JsonScreenOrRecords,
     QT_TRANSLATE_NOOP("Messages", "an entry of \"screens\" is either a screen or records alone")},
    {Msg::JsonRawCharacter,
     QT_TRANSLATE_NOOP("Messages",
                       "the raw record holds the character '%1', which a level file cannot store")},
    {Msg::JsonLinksNoMore, QT_TRANSLATE_NOOP("Messages", "a screen has 8 links, no more")},
    {Msg::JsonLinksNot, QT_TRANSLATE_NOOP("Messages", "a screen has 8 links, not %1")},
    {Msg::JsonTilesNoMore, QT_TRANSLATE_NOOP("Messages", "a screen has %1 tiles, no more")},
    {Msg::JsonTilesNot, QT_TRANSLATE_NOOP("Messages", "a screen has %1 tiles, not %2")},
    {Msg::JsonStringTooLong,
     QT_TRANSLATE_NOOP("Messages", "a string of more than %1 bytes, longer than any field of a level file")},
    {Msg::JsonNumberTooLong,
     QT_TRANSLATE_NOOP("Messages",
                       "a number of more than %1 characters, longer than any field of a level file")},
    {Msg::ChangedWhileRead,
     QT_TRANSLATE_NOOP("Messages",
                       "the file changed while it was read. Give the command again once it stays as it is.")},

    {Msg::CliNeedsValue, QT_TRANSLATE_NOOP("Messages", "%1 needs a value")},
    {Msg::CliUnknownOption, QT_TRANSLATE_NOOP("Messages", "unknown option %1")},
    {Msg::CliTakesOneFile, QT_TRANSLATE_NOOP("Messages", "%1 takes one file")},
    {Msg::CliTakesFiles, QT_TRANSLATE_NOOP("Messages", "%1 takes %2 files")},
    {Msg::CliNoCommand, QT_TRANSLATE_NOOP("Messages", "no command given")},
    {Msg::CliUnknownCommand, QT_TRANSLATE_NOOP("Messages", "unknown command %1")},
    {Msg::CliExportNeedsOut, QT_TRANSLATE_NOOP("Messages", "export needs -o OUT.json")},
    {Msg::CliImportNeedsOut, QT_TRANSLATE_NOOP("Messages", "import needs -o LEVEL")},
    {Msg::CliRenderNeedsOut, QT_TRANSLATE_NOOP("Messages", "render needs -o OUT.png")},
    {Msg::CliScreenOrWorld, QT_TRANSLATE_NOOP("Messages", "render takes --screen or --world, not both")},
    {Msg::CliScreenRange, QT_TRANSLATE_NOOP("Messages", "--screen takes a screen number from 0 to 32767")},
    {Msg::CliScaleRange, QT_TRANSLATE_NOOP("Messages", "--scale takes a whole number from 1 to 8")},
    {Msg::CliNoPicturesFolder, QT_TRANSLATE_NOOP("Messages", "the pictures folder is not there")},
    {Msg::CliOutputIsInput,
     QT_TRANSLATE_NOOP("Messages", "%1 is the input file %2: it is left as it was; give -o another file")},
    {Msg::CliOutputNotAFile,
     QT_TRANSLATE_NOOP("Messages",
                       "%1 is neither a file nor a pipe or character device: nothing was written to it")},
    {Msg::CliOutputFailed, QT_TRANSLATE_NOOP("Messages", "standard output could not be written: %1")},
    {Msg::CliNoLevelProperties,
     QT_TRANSLATE_NOOP("Messages",
                       "%1 has no level properties (no \"LevelProp\" record): it may have been cut short, so "
                       "it is not merged and nothing was written")},
    {Msg::CliPlaceForm,
     QT_TRANSLATE_NOOP("Messages",
                       "%1 takes a place SCREEN:TILE, a screen from 0 to 32767 and a tile from 0 to 300")},
    {Msg::CliRouteNeedsTo, QT_TRANSLATE_NOOP("Messages", "route needs --to SCREEN:TILE")},
    {Msg::CliNoRoute, QT_TRANSLATE_NOOP("Messages", "no walk leads from %1 to %2")},
    {Msg::CliReachSummary, QT_TRANSLATE_NOOP("Messages", "%1 tiles reached on %2 of the level's %3 screens")},
    {Msg::CliExitOutside,
     QT_TRANSLATE_NOOP("Messages", "an exit of a tile reached leads to screen %1, past the last screen")},
    {Msg::CliNotBoth, QT_TRANSLATE_NOOP("Messages", "%1 takes %2 or %3, not both")},
    {Msg::CliNeedsLevelOut, QT_TRANSLATE_NOOP("Messages", "%1 needs -o OUT: the level file to write")},
    {Msg::CliScreenNumbers, QT_TRANSLATE_NOOP("Messages", "%1 needs %2 screen number(s) from 0 to 32767")},
    {Msg::CliScreensNeedOne,
     QT_TRANSLATE_NOOP("Messages", "screens needs one of --delete N, --move N M, --swap N M, --duplicate N")},
    {Msg::CliNoWorkFolder, QT_TRANSLATE_NOOP("Messages", "no folder to work in: %1")},
    {Msg::CliGitNotRun, QT_TRANSLATE_NOOP("Messages", "git could not be run: %1")},
    {Msg::CliGitConfigFailed, QT_TRANSLATE_NOOP("Messages", "git config %1 failed: %2")},
    {Msg::CliGitSetUp,
     QT_TRANSLATE_NOOP("Messages",
                       "git merges and compares level files with tavrin-level once .gitattributes names\n"
                       "them; add a line such as:\n"
                       "\n"
                       "levels/*.txt merge=tavrin diff=tavrin")},
    {Msg::CliUsage, QT_TRANSLATE_NOOP("Messages", "Usage: %1")},
    {Msg::CliCommandsHeading, QT_TRANSLATE_NOOP("Messages", "Commands:")},
    {Msg::CliOptionsHeading, QT_TRANSLATE_NOOP("Messages", "Options:")},
    {Msg::CliHelpEverything,
     QT_TRANSLATE_NOOP("Messages", "this text; after a command, that command's usage and options")},
    {Msg::CliHelpThis, QT_TRANSLATE_NOOP("Messages", "this text")},
    {Msg::CliVersion, QT_TRANSLATE_NOOP("Messages", "the program's version")},
    {Msg::CliExitStatus,
     QT_TRANSLATE_NOOP(
         "Messages",
         "Exit status: 0 done, 1 check found errors (with --strict, any problem), diff found\n"
         "differences, merge found conflicts or errors or route found no walk, 2 the command could not\n"
         "be carried out.")},
    {Msg::CliInfoForm, QT_TRANSLATE_NOOP("Messages", "info LEVEL [--json]")},
    {Msg::CliInfoAbout, QT_TRANSLATE_NOOP("Messages", "the level's properties, screens, pictures and size")},
    {Msg::CliCheckForm, QT_TRANSLATE_NOOP("Messages", "check LEVEL [--json] [--strict] [--pics DIR]")},
    {Msg::CliCheckAbout,
     QT_TRANSLATE_NOOP(
         "Messages",
         "every problem of the level, one line each; exit 1 when there are errors (with --strict,\n"
         "warnings too)")},
    {Msg::CliRenderForm,
     QT_TRANSLATE_NOOP(
         "Messages", "render LEVEL -o OUT.png [--screen N | --world] [--scale K] [--marker] [--directions]\n"
                     "[--reach] [--pics DIR]")},
    {Msg::CliRenderAbout,
     QT_TRANSLATE_NOOP(
         "Messages", "a screen (screen 0 unless given), or the map of the whole level, as a PNG image;\n"
                     "--directions marks the blocked steps and the exits of every tile, --reach shades what\n"
                     "the walk from the start tile cannot reach")},
    {Msg::CliExportForm, QT_TRANSLATE_NOOP("Messages", "export LEVEL -o OUT.json")},
    {Msg::CliExportAbout, QT_TRANSLATE_NOOP("Messages", "the whole level as JSON")},
    {Msg::CliImportForm, QT_TRANSLATE_NOOP("Messages", "import IN.json -o LEVEL")},
    {Msg::CliImportAbout, QT_TRANSLATE_NOOP("Messages", "a level file from JSON written by export")},
    {Msg::CliScreensForm,
     QT_TRANSLATE_NOOP("Messages",
                       "screens LEVEL (--delete N | --move N M | --swap N M | --duplicate N) -o OUT")},
    {Msg::CliScreensAbout,
     QT_TRANSLATE_NOOP("Messages",
                       "the level with one screen deleted, moved, swapped or duplicated and every side link\n"
                       "following, as the editor's Screen menu does it")},
    {Msg::CliDiffForm, QT_TRANSLATE_NOOP("Messages", "diff A B [--json | --stat]")},
    {Msg::CliDiffTextconvForm, QT_TRANSLATE_NOOP("Messages", "diff --textconv LEVEL")},
    {Msg::CliDiffGitForm, QT_TRANSLATE_NOOP("Messages", "diff --git PATH A HEX MODE B HEX MODE")},
    {Msg::CliDiffAbout,
     QT_TRANSLATE_NOOP(
         "Messages",
         "what differs between two levels, by meaning: properties, side links and tile fields, one\n"
         "line each; exit 0 when they are the same, 1 when they differ; --textconv lists one level\n"
         "whole, a line a tile, for git; --git is git's diff driver, which exits 0 either way")},
    {Msg::CliMergeForm,
     QT_TRANSLATE_NOOP("Messages", "merge BASE OURS THEIRS -o OUT [--ours | --theirs] [--level PATH]")},
    {Msg::CliMergeAbout,
     QT_TRANSLATE_NOOP(
         "Messages",
         "the changes of OURS and THEIRS since BASE in one level, field by field; exit 1 when fields\n"
         "conflict (OUT then holds OURS's value, and OUT.conflicts.json, or PATH.conflicts.json, the\n"
         "conflicts; --ours or --theirs settles every conflict) or the merged level has errors neither\n"
         "side had; OUT may be OURS, never BASE or THEIRS")},
    {Msg::CliGitSetupForm, QT_TRANSLATE_NOOP("Messages", "git-setup")},
    {Msg::CliGitSetupAbout,
     QT_TRANSLATE_NOOP("Messages",
                       "makes git in the current repository merge and compare levels with merge and diff")},
    {Msg::CliReachForm, QT_TRANSLATE_NOOP("Messages", "reach LEVEL [--from S:T] [--json]")},
    {Msg::CliReachAbout,
     QT_TRANSLATE_NOOP(
         "Messages",
         "the screens the walk can take the marker to from the start tile of screen 0 (or from tile T\n"
         "of screen S), and how many tiles of each")},
    {Msg::CliRouteForm, QT_TRANSLATE_NOOP("Messages", "route LEVEL --to S:T [--from S:T] [--json]")},
    {Msg::CliRouteAbout,
     QT_TRANSLATE_NOOP(
         "Messages",
         "a shortest walk to tile T of screen S, one key and the place it leads to a line; exit 1\n"
         "when no walk leads there")},
    {Msg::CliOptionJson, QT_TRANSLATE_NOOP("Messages", "the same as JSON")},
    {Msg::CliOptionOut,
     QT_TRANSLATE_NOOP(
         "Messages", "the file to write; a pipe or a character device is written into as the output comes")},
    {Msg::CliOptionPics,
     QT_TRANSLATE_NOOP(
         "Messages",
         "the one folder to look for pictures in, instead of Pics beside the level or the program")},
    {Msg::CliOptionStrict, QT_TRANSLATE_NOOP("Messages", "warnings fail the check too")},
    {Msg::CliOptionScreen, QT_TRANSLATE_NOOP("Messages", "the screen to draw, from 0 to the last screen")},
    {Msg::CliOptionWorld, QT_TRANSLATE_NOOP("Messages", "the map of the whole level instead of one screen")},
    {Msg::CliOptionScale, QT_TRANSLATE_NOOP("Messages", "every pixel drawn K times as large, K from 1 to 8")},
    {Msg::CliOptionMarker, QT_TRANSLATE_NOOP("Messages", "the walk marker on the start tile of screen 0")},
    {Msg::CliOptionDirections,
     QT_TRANSLATE_NOOP("Messages", "a bar on each blocked side and an arrow on each exit of every tile")},
    {Msg::CliOptionReach,
     QT_TRANSLATE_NOOP("Messages", "shades what the walk from the start tile of screen 0 cannot reach")},
    {Msg::CliOptionDelete,
     QT_TRANSLATE_NOOP("Messages", "deletes screen N; the screens above it move down one number")},
    {Msg::CliOptionMove,
     QT_TRANSLATE_NOOP("Messages",
                       "gives screen N the number M; the screens between shift toward N's old place")},
    {Msg::CliOptionSwap, QT_TRANSLATE_NOOP("Messages", "swaps screens N and M")},
    {Msg::CliOptionDuplicate,
     QT_TRANSLATE_NOOP("Messages", "adds a copy of screen N as the new last screen")},
    {Msg::CliOptionStat, QT_TRANSLATE_NOOP("Messages", "how many changes each screen has")},
    {Msg::CliOptionTextconv,
     QT_TRANSLATE_NOOP("Messages", "one level whole, a line a tile, for git log -p and git show")},
    {Msg::CliOptionGit,
     QT_TRANSLATE_NOOP(
         "Messages",
         "git's diff driver: the level's PATH, then each file with its hash and mode; exit 0 either way")},
    {Msg::CliOptionOurs, QT_TRANSLATE_NOOP("Messages", "settles every conflict with OURS's value")},
    {Msg::CliOptionTheirs, QT_TRANSLATE_NOOP("Messages", "settles every conflict with THEIRS's value")},
    {Msg::CliOptionLevel,
     QT_TRANSLATE_NOOP("Messages",
                       "the level's own path, which names the conflicts file PATH.conflicts.json")},
    {Msg::CliOptionFrom,
     QT_TRANSLATE_NOOP(
         "Messages", "the place to walk from, tile T of screen S; the start tile of screen 0 unless given")},
    {Msg::CliOptionTo, QT_TRANSLATE_NOOP("Messages", "the place to walk to, tile T of screen S")},
    {Msg::DiffLevelAdded, QT_TRANSLATE_NOOP("Messages", "level: added")},
    {Msg::DiffLevelRemoved, QT_TRANSLATE_NOOP("Messages", "level: removed")},
    {Msg::MergeScreensPlace, QT_TRANSLATE_NOOP("Messages", "screens")},
    {Msg::MergeScreensOfBase, QT_TRANSLATE_NOOP("Messages", "screens 0 to %1")},
    {Msg::MergeScreensKept, QT_TRANSLATE_NOOP("Messages", "as they were")},
    {Msg::MergeScreensUnclear,
     QT_TRANSLATE_NOOP("Messages",
                       "renumbered by more than one delete, move or swap, or by none that can be told")},
    {Msg::MergeScreenDeleted, QT_TRANSLATE_NOOP("Messages", "screen %1 deleted")},
    {Msg::MergeScreenMoved, QT_TRANSLATE_NOOP("Messages", "screen %1 moved to %2")},
    {Msg::MergeScreensSwapped, QT_TRANSLATE_NOOP("Messages", "screens %1 and %2 swapped")},
    {Msg::MergeScreenEdited, QT_TRANSLATE_NOOP("Messages", "edited")},
    {Msg::MergeScreenPresent, QT_TRANSLATE_NOOP("Messages", "present")},
    {Msg::ConflictsFileDamaged,
     QT_TRANSLATE_NOOP("Messages",
                       "%1 is no conflicts file as tavrin-level merge writes it, or it is damaged: "
                       "settle the conflicts by hand and remove the file.")},

    {Msg::ExitNoLinkLeft,
     QT_TRANSLATE_NOOP("Messages",
                       "Screen %1 has no side link left for an exit to screen %2: each of its links 2 "
                       "to 9 leads to another screen and is used by its exits. Nothing was changed.")},
    {Msg::ExitTitle, QT_TRANSLATE_NOOP("Messages", "Make Exit")},
    {Msg::ExitQuestion, QT_TRANSLATE_NOOP("Messages", "Where does the exit %1 from %2 of screen %3 lead?")},
    {Msg::ExitNewScreen, QT_TRANSLATE_NOOP("Messages", "New Screen")},
    {Msg::ExitToScreen, QT_TRANSLATE_NOOP("Messages", "Screen %1")},
    {Msg::ExitNeedsBorder,
     QT_TRANSLATE_NOOP("Messages",
                       "Tile %1 is not on the %2 border of the grid: an exit %2 starts from a tile on "
                       "that border.")},
    {Msg::WallOverExitsTitle, QT_TRANSLATE_NOOP("Messages", "Wall Brush")},
    {Msg::WallOverExits,
     QT_TRANSLATE_NOOP("Messages",
                       "Exits lead into the tiles just walled (%1 of them). Keep them, or block them too?")},
    {Msg::ExitHover, QT_TRANSLATE_NOOP("Messages", "exit to screen %1, tile %2 (link %3)")},
    {Msg::BlockEdgesTitle, QT_TRANSLATE_NOOP("Messages", "Block Screen Edges")},
    {Msg::BlockEdgesQuestion,
     QT_TRANSLATE_NOOP("Messages",
                       "Block every free step off the border of all %1 screens? Exits stay. It is one "
                       "step to undo.")},
    {Msg::ExitLandsNowhere,
     QT_TRANSLATE_NOOP("Messages",
                       "The exit from tile %1 lands on no tile of the grid, so it has no way back to add.")},
    {Msg::ExitAnotherScreen, QT_TRANSLATE_NOOP("Messages", "Another Screen...")},
    {Msg::ExitAnotherScreenQuestion,
     QT_TRANSLATE_NOOP("Messages", "The screen the exit leads to (0 to %1; %2 makes a new screen):")},
    {Msg::WallsMade, QT_TRANSLATE_NOOP("Messages", "Wall Brush: %1 step(s) into %2 tile(s) blocked.")},
    {Msg::WallsOpened,
     QT_TRANSLATE_NOOP("Messages", "Wall Brush: %1 blocked step(s) into %2 tile(s) opened.")},
    {Msg::EdgesBlocked,
     QT_TRANSLATE_NOOP("Messages",
                       "Block Screen Edges: %1 step(s) off the border of screen %2 blocked, exits kept.")},
    {Msg::EdgesBlockedEverywhere,
     QT_TRANSLATE_NOOP("Messages",
                       "Block Screen Edges: the borders of screens 0 to %1 blocked, exits kept (%2 "
                       "step(s) on this screen).")},
    {Msg::DirectionsTurnedOn, QT_TRANSLATE_NOOP("Messages", " Show Directions turned on.")},
    {Msg::NewScreenTakesLink,
     QT_TRANSLATE_NOOP("Messages",
                       "Link %1 of screen %2 leads to screen %3. Make it lead to the new screen %4 instead? "
                       "Screen %3 stays, but no longer through this link.")},

    {Msg::FixBlocksStep,
     QT_TRANSLATE_NOOP("Messages", "Fix will block the step %1 from tile %2 of screen %3.")},
    {Msg::FixAddsWayBack,
     QT_TRANSLATE_NOOP(
         "Messages", "Fix will make the %1 side of tile %2 of screen %3 an exit through link %4 onto tile %5 "
                     "of screen %6.")},
    {Msg::FixAddsWayBackAndLink,
     QT_TRANSLATE_NOOP(
         "Messages", "Fix will make the %1 side of tile %2 of screen %3 an exit through link %4 onto tile %5 "
                     "of screen %6, and link %4 of screen %3, which led to %7, will lead to screen %6.")},
    {Msg::FixBreaksDoor,
     QT_TRANSLATE_NOOP(
         "Messages",
         "Fix cannot add this way back: tile %1 of screen %2 already leads %3 to screen %4 and "
         "back, and the way back to screen %5 would take that exit's place. Nothing is changed.")},
    {Msg::FixProblemGone,
     QT_TRANSLATE_NOOP("Messages", "That problem is no longer there: Fix changes nothing.")},
    {Msg::FixMakesScreen,
     QT_TRANSLATE_NOOP("Messages",
                       "Fix will make screen %1, lead link %2 of screen %3 to it, and make the %4 side of "
                       "tile %5 of screen %1 an exit back onto tile %6 of screen %3.")},
    {Msg::FixNoScreenLeft,
     QT_TRANSLATE_NOOP("Messages",
                       "Fix cannot make the screen: the level has all 32768 screens it can hold. Nothing is "
                       "changed.")},
    {Msg::FixBlocksEdges,
     QT_TRANSLATE_NOOP("Messages",
                       "Fix will block every free step off the border of screen %1; exits stay.")},
    {Msg::FixBlocksEdgesEverywhere,
     QT_TRANSLATE_NOOP("Messages",
                       "Fix will block every free step off the border of all %1 screens; exits stay.")},
    {Msg::FixBlockStep, QT_TRANSLATE_NOOP("Messages", "Block this step")},
    {Msg::FixAddWayBack, QT_TRANSLATE_NOOP("Messages", "Add the way back")},
    {Msg::FixMakeScreen, QT_TRANSLATE_NOOP("Messages", "Make the screen")},
    {Msg::BlockEdgesEverywhereTitle, QT_TRANSLATE_NOOP("Messages", "Block Screen Edges on Every Screen")},

    {Msg::CheckExitNeverUsed,
     QT_TRANSLATE_NOOP("Messages", "the walk from the start tile never reaches this tile: no one can take "
                                   "this exit")},
    {Msg::CheckTilesUnreachable,
     QT_TRANSLATE_NOOP("Messages", "%1 tile(s) of this screen cannot be reached from the start tile (tiles "
                                   "blocked all round not counted)")},
    {Msg::ReachableDeferred,
     QT_TRANSLATE_NOOP("Messages",
                       "Show Reachable: a level of more than 1,000 screens is searched again once "
                       "the edits pause")},
    {Msg::WalkedToHere,
     QT_TRANSLATE_NOOP("Messages", "Walk To Here: %1 step(s) through %2 screen(s) to tile %3")},
    {Msg::NoWalkToHere,
     QT_TRANSLATE_NOOP("Messages", "Walk To Here: no walk leads to tile %1; nearest reachable: tile %2")},

    {Msg::RefreshToCheck, QT_TRANSLATE_NOOP("Messages", "Refresh to check")},
    {Msg::CheckKindRow, QT_TRANSLATE_NOOP("Messages", "%1 (%2)")},
    {Msg::CheckWrapScreenRow,
     QT_TRANSLATE_NOOP("Messages", "%1 free steps off the left and right borders wrap onto the next row")},
    {Msg::CheckAllKinds, QT_TRANSLATE_NOOP("Messages", "All kinds")},
    {Msg::CheckAllScreens, QT_TRANSLATE_NOOP("Messages", "All screens")},
    {Msg::CheckKindFilter, QT_TRANSLATE_NOOP("Messages", "Kind:")},
    {Msg::CheckScreenFilter, QT_TRANSLATE_NOOP("Messages", "Screen:")},
    {Msg::CheckFixColumn, QT_TRANSLATE_NOOP("Messages", "Fix")},
    {Msg::ScaleTooLarge,
     QT_TRANSLATE_NOOP("Messages",
                       "At %1 % the window would be %2 x %3 pixels, larger than the %4 x %5 pixels this "
                       "screen has room for.")},
    {Msg::ScaleNotFitting,
     QT_TRANSLATE_NOOP(
         "Messages",
         "The scale of %1 % chosen before does not fit this screen: the window is shown at %2 %.")},

    {Msg::PastedFloating,
     QT_TRANSLATE_NOOP("Messages", "A %1 block of %2 tile(s) pasted, not yet put down: drag it into place, "
                                   "then Enter or a click beside it puts it down; Esc puts it away")},
    {Msg::PastedPutAway,
     QT_TRANSLATE_NOOP("Messages", "The pasted tiles are put away; the level is as it was")},
};

// Text() finds an entry by its position, so the table must hold every message once, in the order of Msg.
constexpr bool TableInOrder() {
    if (std::size(Table) != static_cast<size_t>(MessageCount))
        return false;
    for (size_t i = 0; i < std::size(Table); ++i)
        if (Table[i].id != static_cast<Msg>(i))
            return false;
    return true;
}
static_assert(TableInOrder(), "the message table must list every Msg once, in the order of the enum");

// The sentence of each failure code. Without a default, the compiler names a code added to FailureCode
// and left out here.
bool SentenceOf(int code, Msg* sentence) {
    switch (static_cast<FailureCode>(code)) {
    case ErrInvalidCall:
        *sentence = Msg::CodeInvalidCall;
        return true;
    case ErrOverflow:
        *sentence = Msg::CodeOverflow;
        return true;
    case ErrSubscript:
        *sentence = Msg::CodeSubscript;
        return true;
    case ErrTypeMismatch:
        *sentence = Msg::CodeTypeMismatch;
        return true;
    case ErrFileNotFound:
        *sentence = Msg::CodeFileNotFound;
        return true;
    case ErrDiskFull:
        *sentence = Msg::CodeDiskFull;
        return true;
    case ErrInputPastEnd:
        *sentence = Msg::CodeInputPastEnd;
        return true;
    case ErrPermission:
        *sentence = Msg::CodePermission;
        return true;
    case ErrPathAccess:
        *sentence = Msg::CodePathAccess;
        return true;
    case ErrInvalidFormat:
        *sentence = Msg::CodeInvalidFormat;
        return true;
    case ErrNoSuchControl:
        *sentence = Msg::CodeNoSuchControl;
        return true;
    case ErrInvalidValue:
        *sentence = Msg::CodeInvalidValue;
        return true;
    case ErrInvalidPicture:
        *sentence = Msg::CodeInvalidPicture;
        return true;
    case ErrCancel:
        *sentence = Msg::CodeCancel;
        return true;
    }
    return false;
}

} // namespace

QString Text(Msg id) {
    return QCoreApplication::translate("Messages", Table[static_cast<size_t>(id)].text);
}

QString CodeSentence(int code) {
    Msg sentence{};
    return SentenceOf(code, &sentence) ? Text(sentence) : QString();
}

QString ShownText(const Failure& failure) {
    if (failure.description() != StandardDescription(failure.code()))
        return failure.description();
    const QString sentence = CodeSentence(failure.code());
    return sentence.isEmpty() ? failure.description() : sentence;
}

} // namespace tavrin
