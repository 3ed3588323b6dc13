// SPDX-License-Identifier: MIT
#include "app/galerio_doc.h"

#include "app/recent_file_list.h"
#include "browser/galerio_view.h"

bool CGalerioDoc::OnNewDocument() {
    m_strPathName.clear();
    return true;
}

bool CGalerioDoc::OnOpenDocument(const std::string& folder) {
    if (m_pView && m_pView->IsIdle()) m_pView->StartSearch(folder);
    return true;
}

void CGalerioDoc::SetPathName(const std::string& folder, bool bAddToMRU) {
    m_strPathName = folder;
    if (bAddToMRU && m_pRecentList) m_pRecentList->Add(folder);
}
