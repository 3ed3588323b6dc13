// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <functional>

// The "Warning!" question with its don't-show-again box, asked before a
// file is deleted or overwritten. The application installs the real dialog;
// tests script the answer.
struct WarningAnswer {
    bool bYes = false;
    bool bDontShowAgain = false;  // only meaningful with Yes
};

WarningAnswer AskWarning(const QString& text);

using WarningHandler = std::function<WarningAnswer(const QString& text)>;
// Replaces the handler; returns the previous one. Without one the answer is No.
WarningHandler SetWarningHandler(WarningHandler handler);
