// SPDX-License-Identifier: MIT
#include "browser/galerio_doc.h"

#include "browser/galerio_view.h"

bool CGalerioDoc::OnNewDocument() { return true; }

bool CGalerioDoc::OnOpenDocument(const std::string& folder) {
    if (m_pView && m_pView->IsIdle()) {
        m_strPathName = folder;
        m_pView->StartSearch(folder);
    }
    return true;
}
