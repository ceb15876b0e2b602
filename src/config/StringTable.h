#pragma once

#include <QString>

// The program's built-in English strings, keyed by string ID.
class StringTable {
public:
    // The built-in text, or an empty string for an unknown ID.
    static QString Text(int id);
    static bool Contains(int id);
};

// String IDs the code names directly.
namespace StringId {
constexpr int ProgramName = 128;
constexpr int CommentName = 210;
constexpr int NewElement = 211;
constexpr int NewAttribute = 212;
constexpr int LoadError = 215;
constexpr int SaveError = 216;
constexpr int SavePrompt = 130;
constexpr int OpenFilter = 204;
constexpr int SaveFilter = 205;
constexpr int RecentFiles = 206;
constexpr int EmptyAreaHint = 207;
constexpr int SchemaFilter = 208;
constexpr int RecentFileMissing = 209;
constexpr int Untitled = 213;
constexpr int UntitledNumbered = 214;
constexpr int RestartToApply = 221;
constexpr int TextNotFound = 222;
constexpr int XsltFilter = 223;
constexpr int AllFilesFilter = 224;
constexpr int TextName = 225;
constexpr int NameColumn = 32768;
constexpr int ValueColumn = 32769;
constexpr int InternalError = 40080;
constexpr int InvalidName = 40100;
constexpr int ResultFileError = 40101;
constexpr int DuplicateAttributeName = 40110;
constexpr int UndeclaredPrefix = 40111;
constexpr int InvalidCommentText = 40112;
constexpr int InvalidInstructionData = 40113;
constexpr int UnwritableNode = 40114;
constexpr int ValidationSuccessful = 40199;
constexpr int LanguagesMenu = 40500;
constexpr int SearchWrappedToTop = 40620;
constexpr int SearchWrappedToBottom = 40621;
constexpr int FindResultsTitle = 40622;
constexpr int FindResultsPath = 40623;
constexpr int FindResultsCount = 40624;
constexpr int XPathQueryTitle = 40630;
constexpr int XPathEvaluate = 40631;
constexpr int XPathPrefix = 40632;
constexpr int XPathNodeCount = 40633;
constexpr int XPathNumber = 40634;
constexpr int XPathString = 40635;
constexpr int XPathBoolean = 40636;
constexpr int XPathError = 40637;
// Validation and transformation runs.
constexpr int ValidateFilter = 40700;
constexpr int NoDocumentType = 40701;
constexpr int UntitledRelativeReference = 40702;
constexpr int DtdNotFound = 40703;
constexpr int NetworkNotUsed = 40704;
constexpr int DtdUnreadable = 40705;
constexpr int ReferenceRefused = 40706;
constexpr int FileUnreadable = 40707;
constexpr int Validating = 40708;
constexpr int Transforming = 40709;
constexpr int Cancel = 40710; // the button of every long run: tools, opening, saving
constexpr int RunTimedOut = 40711;
constexpr int RunAborted = 40712;
constexpr int ResultWritten = 40713;
constexpr int ErrorListTitle = 40714;
constexpr int ErrorListMessage = 40715;
constexpr int ErrorListLine = 40716;
constexpr int ErrorListOutOfDate = 40717;
constexpr int ErrorListOmitted = 40718;
constexpr int MoreErrors = 40719;
constexpr int BatchHelp = 40720;
constexpr int BatchBadArguments = 40721;
constexpr int ValidationNotRun = 40722;
constexpr int CellEditorName = 40800;
constexpr int ElementKind = 40801;
constexpr int AttributeKind = 40802;
constexpr int TextKind = 40803;
constexpr int CommentKind = 40804;
constexpr int InstructionKind = 40805;
constexpr int RowKindAndLevel = 40806;
constexpr int ExpandedRowKindAndLevel = 40807;
constexpr int CollapsedRowKindAndLevel = 40808;
// The status bar.
constexpr int StatusNodeCount = 40950;
constexpr int FileReloaded = 40951;
constexpr int TransformationWritten = 40952;
// Why a file did not open or save, and the progress of a long open, save or expansion.
constexpr int PathIsFolder = 40850;
constexpr int SystemReason = 40851;
constexpr int NotXmlFile = 40852;
constexpr int FileReadOnly = 40853;
constexpr int OpeningFile = 40854;
constexpr int SavingFile = 40855;
constexpr int ExpandingNode = 40856;
} // namespace StringId
