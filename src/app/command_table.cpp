// SPDX-License-Identifier: MIT
#include "app/command_table.h"

namespace {

QKeySequence Key(int key) { return QKeySequence(key); }

}  // namespace

const std::vector<CommandInfo>& CommandTable() {
    using R = EnableRule;
    // Features that arrive later keep their place in menus and toolbar, disabled.
    static const std::vector<CommandInfo> table = {
        {ID_OPEN_FOLDER, "&Open Folder...\tF2", Key(Qt::Key_F2), "Open Folder\nOpen Folder",
         ":/toolbar/open_folder.png", R::ViewIdle},
        {ID_CLOSE_VIEW, "&Close View\tF9", Key(Qt::Key_F9), "Close View\nClose View", nullptr,
         R::CatalogueAndIdle},
        {ID_RESTORE_TIPS,
         "&Restore New User Tips",
         {},
         "Restore New User Tips\nNew User Tips",
         nullptr,
         R::Always},
        {ID_APP_EXIT,
         "E&xit",
         {},
         "Quit the application; prompts to save documents\nExit",
         nullptr,
         R::Always},
        {ID_DELETE_THUMB, "&Delete Thumb\tDel", Key(Qt::Key_Delete), "Delete\nDelete",
         ":/toolbar/delete.png", R::SelectionNoRun},
        {ID_MOVE_THUMB, "&Move or Rename Thumb...\tF3", Key(Qt::Key_F3),
         "Move - Rename\nMove - Rename", ":/toolbar/move.png", R::SelectionNoRun},
        {ID_MAKE_THUMBS, "M&ake Thumbs...\tF10", Key(Qt::Key_F10), "Make Thumbs\nMake Thumbs",
         ":/toolbar/make_thumbs.png", R::CatalogueAndIdle},
        {ID_MAKE_PAGE, "Make Thumbs and Pa&ge...\tF11", Key(Qt::Key_F11),
         "Thumbs and Page\nThumbs and Page", ":/toolbar/make_page.png", R::CatalogueAndIdle},
        {ID_PREFERENCES, "&Preferences...\tF4", Key(Qt::Key_F4), "Preferences\nPreferences",
         ":/toolbar/preferences.png", R::ViewIdle},
        {ID_REFRESH, "&Refresh\tF5", Key(Qt::Key_F5), "Refresh\nRefresh", ":/toolbar/refresh.png",
         R::CatalogueAndIdle},
        {ID_SHOW_DETAILS, "Sh&ow Details\tF6", Key(Qt::Key_F6), "Show Details\nShow Details",
         ":/toolbar/details.png", R::CatalogueAndIdle},
        {ID_SLIDE_SHOW, "Start Sl&ide Show\tF7", Key(Qt::Key_F7), "Slide Show\nSlide Show",
         ":/toolbar/slide_show.png", R::CatalogueAndIdle},
        {ID_VIEW_TOOLBAR,
         "&Toolbar",
         {},
         "Show or hide the toolbar\nToggle ToolBar",
         nullptr,
         R::Always},
        {ID_VIEW_STATUS_BAR,
         "&Status Bar",
         {},
         "Show or hide the status bar\nToggle StatusBar",
         nullptr,
         R::Always},
        {ID_HELP_FINDER,
         "&Help Topics\tF1",
         {},
         "List Help topics\nHelp Topics",
         nullptr,
         R::Always},
        {ID_HELP, nullptr, Key(Qt::Key_F1), "Display help for current task or command\nHelp",
         nullptr, R::Always},
        {ID_CONTEXT_HELP, nullptr, QKeySequence(Qt::SHIFT | Qt::Key_F1),
         "Display help for clicked on buttons, menus and windows\nHelp", nullptr, R::Always},
        {ID_APP_ABOUT,
         "&About Galerio...",
         {},
         "Display program information, version number and copyright\nAbout",
         ":/toolbar/about.png",
         R::Always},
        // A key of its own, clear of the function keys the other commands hold.
        {ID_PUBLISH_GALLERY, "&Publish Gallery...\tCtrl+G", QKeySequence(Qt::CTRL | Qt::Key_G),
         "Publish the folder's photos as a web gallery\nPublish Gallery", nullptr,
         R::CatalogueAndIdle},
        {ID_FILE_NEW, nullptr, QKeySequence(Qt::CTRL | Qt::Key_N), nullptr, nullptr, R::Always},
        {ID_FILE_OPEN, nullptr, QKeySequence(Qt::CTRL | Qt::Key_O), nullptr, nullptr, R::Always},
        {ID_FILE_PRINT, nullptr, QKeySequence(Qt::CTRL | Qt::Key_P),
         "Print the active document\nPrint", nullptr, R::Always},
    };
    return table;
}

const CommandInfo* FindCommand(int nId) {
    for (const CommandInfo& info : CommandTable())
        if (info.nId == nId) return &info;
    return nullptr;
}

const std::vector<int>& ToolbarLayout() {
    static const std::vector<int> layout = {
        ID_OPEN_FOLDER, 0, ID_DELETE_THUMB, ID_MOVE_THUMB, ID_MAKE_THUMBS,
        ID_MAKE_PAGE,   0, ID_PREFERENCES,  ID_REFRESH,    ID_SHOW_DETAILS,
        ID_SLIDE_SHOW,  0, ID_APP_ABOUT};
    return layout;
}

QString PromptStatusText(const char* prompt) {
    if (!prompt) return {};
    const QString text = QString::fromLatin1(prompt);
    return text.section(QLatin1Char('\n'), 0, 0);
}

QString PromptToolTip(const char* prompt) {
    if (!prompt) return {};
    const QString text = QString::fromLatin1(prompt);
    const int nl = text.indexOf(QLatin1Char('\n'));
    return nl < 0 ? QString() : text.mid(nl + 1);
}
