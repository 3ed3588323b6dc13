// SPDX-License-Identifier: MIT
#pragma once

#include <QDialog>

class CStaticLink;
class QLabel;

// Link control ids, kept so the links can be told apart.
inline constexpr int IDC_EMAIL_LINK = 1025;
inline constexpr int IDC_WEB_LINK = 1028;

// The About box: what the program is, its version and rights, and two links
// (mail and web page) that remember being opened for the whole run.
class CAboutBox : public QDialog {
    Q_OBJECT
public:
    // pLinkVisited points at the application's two visited flags.
    CAboutBox(int* pLinkVisited, QWidget* parent = nullptr);

    CStaticLink* EmailLink() const { return m_pEmailLink; }
    CStaticLink* WebLink() const { return m_pWebLink; }

private:
    CStaticLink* m_pEmailLink = nullptr;
    CStaticLink* m_pWebLink = nullptr;
};
