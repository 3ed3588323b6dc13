// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <string>

// Commands of the context menu that the window around the view carries out.
enum class ViewCommand { Preferences, MakeThumbs, MakePage };

// What the thumbnail view asks of the window around it. The main frame
// implements it; tests use a recorder. The view never includes the frame.
class IViewHost {
public:
    virtual ~IViewHost() = default;
    // Status pane 1..4: file name, size, date, image size; sized to the text.
    virtual bool SetPaneTextSized(int nPane, const QString& text) = 0;
    // Asks once for the 200 ms start-up timer that scans a command-line folder.
    virtual void StartStartupTimer() = 0;
    // The same request as the user's close of the main window.
    virtual void RequestClose() = 0;
    virtual void SetWindowTitle(const QString& title) = 0;
    virtual void AddToRecentFileList(const std::string& folder) = 0;
    // True when the program was started with the slide-show switch "-S".
    virtual bool SlideShowRequested() const = 0;
    // Starts the slide show over the catalogue (available once it is built).
    virtual void StartSlideShow() = 0;
    // A command chosen from the view's context menu.
    virtual void RunViewCommand(ViewCommand command) = 0;
};
