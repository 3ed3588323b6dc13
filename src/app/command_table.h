// SPDX-License-Identifier: MIT
#pragma once

#include <QKeySequence>
#include <QString>
#include <vector>

// Command ids. They name behaviour (enabling rules, menus, toolbar) and keep
// the numbers of the resource table the menus were first laid out with.
enum CommandId : int {
    ID_DELETE_THUMB = 32771,
    ID_MOVE_THUMB = 32772,
    ID_OPEN_FOLDER = 32773,
    ID_MAKE_THUMBS = 32774,
    ID_MAKE_PAGE = 32775,
    ID_PREFERENCES = 32776,
    ID_REFRESH = 32777,
    ID_SHOW_DETAILS = 32778,
    ID_SLIDE_SHOW = 32779,
    ID_CLOSE_VIEW = 32780,
    ID_RESTORE_TIPS = 32781,
    ID_PUBLISH_GALLERY = 32782,
    ID_FILE_NEW = 0xE100,
    ID_FILE_OPEN = 0xE101,
    ID_FILE_PRINT = 0xE107,
    ID_FILE_MRU_FILE1 = 0xE110,
    ID_APP_ABOUT = 0xE140,
    ID_APP_EXIT = 0xE141,
    ID_HELP_FINDER = 0xE143,
    ID_CONTEXT_HELP = 0xE145,
    ID_HELP = 0xE146,
    ID_VIEW_TOOLBAR = 0xE800,
    ID_VIEW_STATUS_BAR = 0xE801,
};

// When a command may be chosen.
enum class EnableRule {
    Always,
    ViewIdle,          // the view is idle
    CatalogueAndIdle,  // the catalogue is not empty and the view is idle
    Selection,         // a thumbnail is selected
    SelectionNoRun,    // a thumbnail is selected and no worker walks the catalogue
    NotYetAvailable,   // the feature behind it is not part of this build yet
};

struct CommandInfo {
    int nId;
    const char* caption;  // menu text with "\t" and the key's name; null: no menu entry
    QKeySequence key;     // empty: no key
    const char* prompt;   // "status text\ntooltip"; null: none
    const char* icon;     // toolbar image in the resources; null: not on the toolbar
    EnableRule rule;
};

// Every command of the main window, in no particular order.
const std::vector<CommandInfo>& CommandTable();
const CommandInfo* FindCommand(int nId);

// Toolbar order; 0 stands for a separator.
const std::vector<int>& ToolbarLayout();

// The two halves of a prompt: before "\n" is the status-bar text, after it the
// tooltip. A prompt without "\n" is status text only.
QString PromptStatusText(const char* prompt);
QString PromptToolTip(const char* prompt);
