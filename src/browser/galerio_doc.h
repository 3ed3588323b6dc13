// SPDX-License-Identifier: MIT
#pragma once

#include <string>

class CGalerioView;

// The document of the one folder shown. It holds no data of its own: its
// path name is the folder last opened, and opening hands the folder to the view.
class CGalerioDoc {
public:
    explicit CGalerioDoc(CGalerioView* pView = nullptr) : m_pView(pView) {}

    void SetView(CGalerioView* pView) { m_pView = pView; }
    CGalerioView* View() const { return m_pView; }

    bool OnNewDocument();
    // Searches the folder when the view is idle; a busy view ignores the
    // request, which still counts as success for the caller.
    bool OnOpenDocument(const std::string& folder);

    const std::string& GetPathName() const { return m_strPathName; }
    void SetPathName(std::string path) { m_strPathName = std::move(path); }

private:
    CGalerioView* m_pView;
    std::string m_strPathName;
};
