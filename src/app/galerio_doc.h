// SPDX-License-Identifier: MIT
#pragma once

#include <string>

class CGalerioView;
class CRecentFileList;

// The document is a folder: it holds no data of its own, only the path of the
// folder last opened. The catalogue itself belongs to the view.
class CGalerioDoc {
public:
    explicit CGalerioDoc(CRecentFileList* pRecentList) : m_pRecentList(pRecentList) {}

    void SetView(CGalerioView* pView) { m_pView = pView; }

    // Forgets the folder; the view keeps what it shows.
    bool OnNewDocument();
    // Starts the scan of the folder when the view is idle; a request while the
    // view is busy is ignored, and still counts as done.
    bool OnOpenDocument(const std::string& folder);
    // Remembers the folder and puts it on the recent-folder list.
    void SetPathName(const std::string& folder, bool bAddToMRU = true);

    const std::string& GetPathName() const { return m_strPathName; }

private:
    CRecentFileList* m_pRecentList;
    CGalerioView* m_pView = nullptr;
    std::string m_strPathName;
};
