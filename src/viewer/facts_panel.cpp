// SPDX-License-Identifier: MIT
#include "viewer/facts_panel.h"

#include "codec/photo_facts.h"
#include "model/image_item.h"

namespace {

constexpr int kPanelInset = 8;

}  // namespace

CFactsPanel::CFactsPanel(QWidget* pParent) : QLabel(pParent) {
    setTextFormat(Qt::PlainText);
    // Light text on a dark veil reads on any photo.
    setStyleSheet(
        QStringLiteral("QLabel { background: rgba(0, 0, 0, 170); color: white; padding: 6px; }"));
    // Clicks and drags reach the view below, which pans.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    move(kPanelInset, kPanelInset);
    hide();
}

void CFactsPanel::ShowFacts(const ImageItem& item) {
    setText(PhotoFactsText(ReadPhotoFacts(item.m_strPath, item.m_nKind == IMAGE_JPEG,
                                          item.m_nImageWidth, item.m_nImageHeight)));
    adjustSize();
    show();
    raise();
}
