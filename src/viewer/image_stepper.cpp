// SPDX-License-Identifier: MIT
#include "viewer/image_stepper.h"

namespace {

std::size_t IndexOf(const ImageList& list, const ImageItem* pItem, std::size_t nHint) {
    if (nHint < list.size() && list[nHint].get() == pItem) return nHint;
    for (std::size_t i = 0; i < list.size(); ++i)
        if (list[i].get() == pItem) return i;
    return list.size();
}

}  // namespace

void ImageStepper::Follow(const ImageList& list, const ImageItem* pShown) {
    const std::size_t i = IndexOf(list, pShown, m_nIndex);
    // A window on a photo the catalogue does not hold has nowhere to step.
    m_bStopped = i == list.size();
    m_pShown = m_bStopped ? nullptr : pShown;
    m_nIndex = m_bStopped ? 0 : i;
    m_bLeft = false;
}

std::size_t ImageStepper::Position(const ImageList& list, const ImageItem* pFrom,
                                   bool& bInList) const {
    bInList = true;
    if (pFrom && pFrom != m_pShown) return IndexOf(list, pFrom, m_nIndex);
    if (m_bLeft) {
        bInList = false;
        return m_nIndex;
    }
    m_nIndex = IndexOf(list, m_pShown, m_nIndex);
    return m_nIndex;
}

const ImageItem* ImageStepper::Target(const ImageList& list, StepKind kind,
                                      const ImageItem* pFrom) const {
    if (m_bStopped || list.empty()) return nullptr;
    bool bInList = true;
    const std::size_t i = Position(list, pFrom, bInList);
    if (bInList && i == list.size()) return nullptr;
    std::size_t nTarget = 0;
    switch (kind) {
        case StepKind::First:
            nTarget = 0;
            break;
        case StepKind::Last:
            nTarget = list.size() - 1;
            break;
        case StepKind::Next:
            // The gap a shown entry left is where its follower now stands.
            nTarget = bInList ? i + 1 : i;
            break;
        case StepKind::Previous:
            if (i == 0) return nullptr;
            nTarget = i - 1;
            break;
    }
    if (nTarget >= list.size()) return nullptr;
    const ImageItem* pTarget = list[nTarget].get();
    // Home on the first entry or End on the last shows nothing new.
    return pTarget == m_pShown ? nullptr : pTarget;
}

void ImageStepper::OnEntryLeaving(const ImageList& list, const ImageItem* pItem) {
    if (m_bStopped) return;
    const std::size_t j = IndexOf(list, pItem, m_nIndex);
    if (j == list.size()) return;
    if (pItem == m_pShown) {
        m_pShown = nullptr;
        m_bLeft = true;
        m_nIndex = j;
    } else if (m_bLeft && j < m_nIndex) {
        --m_nIndex;
    }
}

void ImageStepper::OnCatalogueReplaced() {
    m_bStopped = true;
    m_pShown = nullptr;
    m_bLeft = false;
}
