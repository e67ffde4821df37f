#pragma once

#include "level/core/failure.h"

#include <QString>

namespace tavrin {

// Every message the editor and tavrin-level show the user, by name. The English texts stand together in
// one table in messages.cpp, in this order, so that they can be read and translated in one place. A text
// takes its variable parts as %1, %2 and so on, filled in with QString::arg where it is shown.
enum class Msg : int {
    // What a failure code means and what to do about it, shown for a failure that carries no more than
    // its code's standard description.
    CodeInvalidCall,
    CodeOverflow,
    CodeSubscript,
    CodeTypeMismatch,
    CodeFileNotFound,
    CodeDiskFull,
    CodeInputPastEnd,
    CodePermission,
    CodePathAccess,
    CodeInvalidFormat,
    CodeNoSuchControl,
    CodeInvalidValue,
    CodeInvalidPicture,
    CodeCancel,

    // A failure told of together with the file or box it concerns, or the place in a level file.
    NamedFailure,
    FieldFailure,

    // Reading and writing files.
    PictureFileNotFound,
    NotALevelFile,
    NotARegularFile,
    OpenPermission,
    OpenAccess,
    DeviceAccess,
    WriteDiskFull,
    WritePermission,
    WriteAccess,
    WrittenInPart,
    FileNotChanged,
    FileNotCreated,
    FieldTooLong,
    TextHoldsQuote,
    TextHoldsCharacter,
    InvalidPictureFile,
    PictureTooLarge,

    // Pictures.
    ImportNotAPicture,
    PicturesFolderNotMade,
    PicturesFolderMissing,
    PicturesNotCarried,

    // Loading a level and changing screens.
    NothingLoaded,
    StartTileNotOnGrid,
    ScratchFileDamaged,
    ScratchFileGone,
    ScreenReadUpTo,
    LevelFileGoneBlank,
    NotAScreenNumber,
    TemplateMissing,
    StepScreenUnreadable,
    NoSuchScreen,
    LastScreenTaken,
    KeepOneScreen,
    NotOneOfTheScreens,

    // Saving a level.
    LastScreenBelowZero,
    LevelFileGoneBeforeSave,
    CopiedThroughOne,
    CopiedThroughMany,
    CopiedThroughScreen,
    CopiedThroughMore,

    // Images of screens and of the world.
    ImageTooLarge,
    DrawSmaller,
    ScreenDrawnInPart,
    ScreenNotInLevel,

    // Painting with the brush.
    TileBesideGrid,
    DirectionBoxNotNumber,
    OperandBoxUnusable,
    NoBrushPicture,
    BrushPictureUnusable,

    // The property dialogs.
    StartTileRule,
    LastScreenRule,
    SideLinkRule,

    // The Test command.
    CannotPlayMissing,
    CannotPlayNoPlayer,

    // Questions: titles, texts and button captions.
    UnsavedChangesTitle,
    UnsavedNewLevel,
    UnsavedLevel,
    RecoverTitle,
    RecoverNewLevel,
    RecoverLevel,
    SessionDamaged,
    UnknownTime,
    CopyPictureTitle,
    CopyPictureText,
    ReplacePictureTitle,
    ReplacePictureText,
    BeyondLastTitle,
    BeyondLastOne,
    BeyondLastMany,
    LevelChangedTitle,
    LevelChanged,
    LevelChangedUnsaved,
    SaveOverChanged,
    ButtonSave,
    ButtonDiscard,
    ButtonCancel,
    ButtonRecover,
    ButtonCopy,
    ButtonDontCopy,
    ButtonReplace,
    ButtonKeep,
    ButtonRaiseAndSave,
    ButtonSaveWithout,
    ButtonReload,
    ButtonKeepMine,

    // Resolve Conflicts, and Compare With a git revision.
    ResolveLeft,
    ResolveSettled,
    ResolveTheirsWhole,
    CompareWithWhat,
    ButtonLevelFile,
    ButtonGitRevision,
    GitRevisionQuestion,
    GitRevisionUnreadable,

    // Level JSON read by tavrin-level import.
    JsonAt,
    JsonExpectedEnd,
    JsonExpectedFound,
    JsonExpected,
    JsonNotUtf8,
    JsonEndsInString,
    JsonControlCharacter,
    JsonMalformedNumber,
    JsonEndsInEscape,
    JsonBadUnicodeEscape,
    JsonUnknownEscape,
    JsonLoneLowSurrogate,
    JsonHighSurrogateAlone,
    JsonKeyTwice,
    JsonUnknownKey,
    JsonKeyMissing,
    JsonBeforeScreens,
    JsonWrongFormat,
    JsonUnknownVersion,
    JsonFormatFirst,
    JsonTrailingText,
    JsonBadLineEnd,
    JsonNumberTooLarge,
    JsonWholeNumber,
    JsonFieldsNoMore,
    JsonFieldsNot,
    JsonScreenOrRecords,
    JsonRawCharacter,
    JsonLinksNoMore,
    JsonLinksNot,
    JsonTilesNoMore,
    JsonTilesNot,
    JsonStringTooLong,
    JsonNumberTooLong,
    ChangedWhileRead,

    // The command line of tavrin-level.
    CliNeedsValue,
    CliUnknownOption,
    CliTakesOneFile,
    CliTakesFiles,
    CliNoCommand,
    CliUnknownCommand,
    CliExportNeedsOut,
    CliImportNeedsOut,
    CliRenderNeedsOut,
    CliScreenOrWorld,
    CliScreenRange,
    CliScaleRange,
    CliNoPicturesFolder,
    CliOutputIsInput,
    CliOutputNotAFile,
    CliOutputFailed,
    CliNoLevelProperties,
    CliPlaceForm,
    CliRouteNeedsTo,
    CliNoRoute,
    CliReachSummary,
    CliExitOutside,
    CliNotBoth,
    CliNeedsLevelOut,
    CliScreenNumbers,
    CliScreensNeedOne,
    CliNoWorkFolder,
    CliGitNotRun,
    CliGitConfigFailed,
    CliGitSetUp,
    // The usage of tavrin-level: each command's forms and what it does, then what each option does.
    CliUsage,
    CliCommandsHeading,
    CliOptionsHeading,
    CliHelpEverything,
    CliHelpThis,
    CliVersion,
    CliExitStatus,
    CliInfoForm,
    CliInfoAbout,
    CliCheckForm,
    CliCheckAbout,
    CliRenderForm,
    CliRenderAbout,
    CliExportForm,
    CliExportAbout,
    CliImportForm,
    CliImportAbout,
    CliScreensForm,
    CliScreensAbout,
    CliDiffForm,
    CliDiffTextconvForm,
    CliDiffGitForm,
    CliDiffAbout,
    CliMergeForm,
    CliMergeAbout,
    CliGitSetupForm,
    CliGitSetupAbout,
    CliReachForm,
    CliReachAbout,
    CliRouteForm,
    CliRouteAbout,
    CliOptionJson,
    CliOptionOut,
    CliOptionPics,
    CliOptionStrict,
    CliOptionScreen,
    CliOptionWorld,
    CliOptionScale,
    CliOptionMarker,
    CliOptionDirections,
    CliOptionReach,
    CliOptionDelete,
    CliOptionMove,
    CliOptionSwap,
    CliOptionDuplicate,
    CliOptionStat,
    CliOptionTextconv,
    CliOptionGit,
    CliOptionOurs,
    CliOptionTheirs,
    CliOptionLevel,
    CliOptionFrom,
    CliOptionTo,
    DiffLevelAdded,
    DiffLevelRemoved,
    MergeScreensPlace,
    MergeScreensOfBase,
    MergeScreensKept,
    MergeScreensUnclear,
    MergeScreenDeleted,
    MergeScreenMoved,
    MergeScreensSwapped,
    MergeScreenEdited,
    MergeScreenPresent,
    ConflictsFileDamaged,

    // Walls and exits.
    ExitNoLinkLeft,
    ExitTitle,
    ExitQuestion,
    ExitNewScreen,
    ExitToScreen,
    ExitNeedsBorder,
    WallOverExitsTitle,
    WallOverExits,
    ExitHover,
    BlockEdgesTitle,
    BlockEdgesQuestion,
    ExitLandsNowhere,
    ExitAnotherScreen,
    ExitAnotherScreenQuestion,
    WallsMade,
    WallsOpened,
    EdgesBlocked,
    EdgesBlockedEverywhere,
    DirectionsTurnedOn,
    NewScreenTakesLink,

    // What Fix in the Check Level window will change, or why it cannot.
    FixBlocksStep,
    FixAddsWayBack,
    FixAddsWayBackAndLink,
    FixBreaksDoor,
    FixProblemGone,
    FixMakesScreen,
    FixNoScreenLeft,
    FixBlocksEdges,
    FixBlocksEdgesEverywhere,
    // The fixes' names, on their buttons and as steps to undo.
    FixBlockStep,
    FixAddWayBack,
    FixMakeScreen,
    BlockEdgesEverywhereTitle,

    // What Check Level finds of the walk from the start tile.
    CheckExitNeverUsed,
    CheckTilesUnreachable,
    // Show Reachable and Walk To Here.
    ReachableDeferred,
    WalkedToHere,
    NoWalkToHere,

    // The windows beside the grid, and the scale of the editor.
    RefreshToCheck,
    CheckKindRow,
    CheckWrapScreenRow,
    CheckAllKinds,
    CheckAllScreens,
    CheckKindFilter,
    CheckScreenFilter,
    CheckFixColumn,
    ScaleTooLarge,
    ScaleNotFitting,

    // Tiles pasted and not yet put down.
    PastedFloating,
    PastedPutAway,

    Count // not a message: the number of them
};

constexpr int MessageCount = static_cast<int>(Msg::Count);

// The text of a message in the user's language: the English text of the table, passed through
// QCoreApplication::translate in the context "Messages".
QString Text(Msg id);

// The sentence that says in plain words what a failure code means and what to do; empty for a code
// without one (a code that is not in AllFailureCodes).
QString CodeSentence(int code);

// What the user is shown for a failure: its code's sentence when the failure carries no more than the
// code's standard description, else the description it carries.
QString ShownText(const Failure& failure);

} // namespace tavrin
