// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <cstdio>
#include <string>

#include "platform/message_box.h"

// What the command line shows instead of boxes: every box as one report on
// stderr, a progress line when stderr is a terminal.

// Text for a terminal: control characters (which a file name may hold, and
// which could move the cursor or retitle the window) become "?", except the
// line ends and tabs of the program's own texts when bKeepLines is set.
QString PlainText(const QString& text, bool bKeepLines);

// The answer a box gets when nobody is there to click: OK where that is all
// there is, otherwise the choice that changes nothing (No, Cancel).
MsgResult SafeAnswer(MsgButtons buttons);

class CBatchConsole {
public:
    // pOut is where reports go; bProgress draws the progress line.
    CBatchConsole(std::FILE* pOut, bool bProgress);

    // "caption: text", the text's last line end dropped; answers SafeAnswer.
    MsgResult Report(const MessageRequest& request);
    // One line that "[i/n] name" overwrites, when progress is shown.
    void Progress(std::size_t nDone, std::size_t nTotal, const std::string& strName);
    // Clears the progress line at the end of the run.
    void EndProgress();
    // A line of the command line's own, such as a refusal.
    void Line(const std::string& strText);

private:
    void ClearProgressLocked();

    std::FILE* m_pOut;
    bool m_bProgress;
    bool m_bProgressShown = false;
};
