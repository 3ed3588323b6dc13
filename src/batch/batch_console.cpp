// SPDX-License-Identifier: MIT
#include "batch/batch_console.h"

#include "platform/paths.h"

QString PlainText(const QString& text, bool bKeepLines) {
    QString out;
    out.reserve(text.size());
    for (const QChar ch : text) {
        const char16_t c = ch.unicode();
        const bool bLineEnd = c == u'\n' || c == u'\t';
        // C0 controls, DEL and the C1 controls a terminal also obeys.
        const bool bControl = c < 0x20 || c == 0x7f || (c >= 0x80 && c < 0xa0);
        out += bControl && !(bKeepLines && bLineEnd) ? QChar(u'?') : ch;
    }
    return out;
}

MsgResult SafeAnswer(MsgButtons buttons) {
    switch (buttons) {
        case MsgButtons::Ok:
            return MsgResult::Ok;
        case MsgButtons::OkCancel:
        case MsgButtons::YesNoCancel:
            return MsgResult::Cancel;
        case MsgButtons::YesNo:
            return MsgResult::No;
    }
    return MsgResult::Cancel;
}

CBatchConsole::CBatchConsole(std::FILE* pOut, bool bProgress)
    : m_pOut(pOut), m_bProgress(bProgress) {}

MsgResult CBatchConsole::Report(const MessageRequest& request) {
    QString text = request.text;
    while (text.endsWith(QLatin1Char('\n'))) text.chop(1);
    const QString line = PlainText(request.caption, false) + QStringLiteral(": ") +
                         PlainText(text, true) + QLatin1Char('\n');
    ClearProgressLocked();
    std::fputs(line.toLocal8Bit().constData(), m_pOut);
    std::fflush(m_pOut);
    return SafeAnswer(request.buttons);
}

void CBatchConsole::Progress(std::size_t nDone, std::size_t nTotal, const std::string& strName) {
    if (!m_bProgress) return;
    const QString line =
        QString::asprintf("[%zu/%zu] ", nDone, nTotal) + PlainText(ToDisplay(strName), false);
    std::fputs(("\r\033[K" + line).toLocal8Bit().constData(), m_pOut);
    std::fflush(m_pOut);
    m_bProgressShown = true;
}

void CBatchConsole::EndProgress() {
    ClearProgressLocked();
}

void CBatchConsole::Line(const std::string& strText) {
    ClearProgressLocked();
    std::fputs((PlainText(ToDisplay(strText), false) + QLatin1Char('\n')).toLocal8Bit().constData(),
               m_pOut);
    std::fflush(m_pOut);
}

void CBatchConsole::ClearProgressLocked() {
    if (!m_bProgressShown) return;
    std::fputs("\r\033[K", m_pOut);
    m_bProgressShown = false;
}
