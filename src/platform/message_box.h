// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <string>

// Every message box of the program goes through ShowMessage, from any thread.
// The application installs a handler that shows a real box on the
// user-interface thread; tests install a recorder that scripts the answers.

enum class MsgIcon { None, Information, Exclamation, Error, Question };
enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MsgResult { Ok, Cancel, Yes, No };

struct MessageRequest {
    QString text;
    QString caption;
    MsgIcon icon = MsgIcon::Exclamation;
    MsgButtons buttons = MsgButtons::Ok;
    bool bOwnedByActiveWindow = true;  // false for boxes that name no owner
    // For a file the system would not open or create: that file and errno.
    // A box shows only its text; the command line also says why.
    std::string strFile{};
    int nError = 0;
};

using MessageHandler = std::function<MsgResult(const MessageRequest&)>;

inline constexpr const char* kAppCaption = "Galerio";

// An OK box whose caller names no icon shows the exclamation icon.
MsgResult ShowMessage(const QString& text,
                      const QString& caption = QString::fromLatin1(kAppCaption),
                      MsgIcon icon = MsgIcon::Exclamation, MsgButtons buttons = MsgButtons::Ok);
MsgResult ShowMessage(const MessageRequest& request);

// Replaces the handler; returns the previous one so a scope can restore it.
MessageHandler SetMessageHandler(MessageHandler handler);

// Plays the desktop's default beep, also through a seam so tests can count it.
void Beep();
std::function<void()> SetBeepHandler(std::function<void()> handler);
