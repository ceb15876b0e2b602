#pragma once

#include <cstdint>

// Command IDs of menus, tool bar, accelerators and context menus. Their string-table entries
// with the same number are the command descriptions.
namespace CommandId {

// Document view: editing (handled by the view's command handler).
constexpr uint16_t Rename = 32838;
constexpr uint16_t ChangeValue = 32839;
constexpr uint16_t InsertElementBefore = 32860;
constexpr uint16_t InsertElementAfter = 32861;
constexpr uint16_t InsertElementAsChild = 32862;
constexpr uint16_t InsertAttribute = 32863;
constexpr uint16_t InsertCommentBefore = 32866;
constexpr uint16_t InsertCommentAfter = 32867;
constexpr uint16_t InsertCommentAsChild = 32868;
constexpr uint16_t InsertTextBefore = 32874;
constexpr uint16_t InsertTextAfter = 32875;
constexpr uint16_t InsertTextAsChild = 32876;
constexpr uint16_t Duplicate = 32869;
constexpr uint16_t MoveUp = 32870;
constexpr uint16_t MoveDown = 32871;
constexpr uint16_t Delete = 57632;
constexpr uint16_t Undo = 57643;
constexpr uint16_t Redo = 57644;
constexpr uint16_t ShowPrefixes = 32814;

// Document view: clipboard.
constexpr uint16_t Copy = 57634;
constexpr uint16_t Cut = 57635;
constexpr uint16_t Paste = 57637;
constexpr uint16_t CopyName = 32811;
constexpr uint16_t CopyValue = 32812;
constexpr uint16_t CopyAsXml = 32891;
constexpr uint16_t CopyXPath = 32893;
constexpr uint16_t CopyExactXPath = 32892;

// Document tabs.
constexpr uint16_t FileNew = 57600;
constexpr uint16_t FileOpen = 57601;
constexpr uint16_t FileClose = 57602;
constexpr uint16_t FileSave = 57603;
constexpr uint16_t FileSaveAs = 57604;
constexpr uint16_t SaveAll = 32786;
constexpr uint16_t CloseAll = 32785;
constexpr uint16_t CloseAllButThis = 32784;
constexpr uint16_t CopyDocumentPath = 32790;
constexpr uint16_t OpenContainingFolder = 32791;
constexpr uint16_t PreviousTab = 32792;
constexpr uint16_t NextTab = 32793;
constexpr uint16_t Find = 57636;
// Repeat the last search down (F3) and up (Shift+F3) without the dialog.
constexpr uint16_t FindNext = 57640;
constexpr uint16_t FindPrevious = 32930;
// Opens the XPath query pane under the tabs.
constexpr uint16_t XPathQuery = 32931;
constexpr uint16_t ValidateBySchema = 32894;
constexpr uint16_t XslTransformation = 32895;
// Validates against the document's own document type declaration.
constexpr uint16_t ValidateDocumentType = 33000;

// Find dialog: its Find next button, reported to the dialog's parent.
constexpr uint16_t FindNextButton = 1020;
// The view's find request (a private window message number rather than a command).
constexpr uint16_t FindRequestMessage = 36865;

// Main frame.
constexpr uint16_t Exit = 32773;
constexpr uint16_t ToggleTabPosition = 32774;
constexpr uint16_t StandardToolbar = 32850;
constexpr uint16_t HomePage = 32881;
constexpr uint16_t About = 202;
constexpr uint16_t RecentFilesPopup = 32899;
constexpr uint16_t RecentFileFirst = 32900;
constexpr uint16_t RecentFileLast = 32909;
constexpr uint16_t LanguageFirst = 40501;
constexpr uint16_t LanguageLast = 40599;

} // namespace CommandId
