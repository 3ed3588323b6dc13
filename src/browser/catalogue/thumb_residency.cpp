// SPDX-License-Identifier: MIT
#include "browser/catalogue/thumb_residency.h"

#include <algorithm>
#include <utility>

#include "codec/display_bitmap.h"

void ThumbResidency::StartRun(std::shared_ptr<const ThumbCache> pCache, int nPitch, int nThumbSize,
                              bool bRotateByTag, std::size_t nScreenCells, bool bCanRemake,
                              double dPixelRatio) {
    m_pCache = std::move(pCache);
    m_nPitch = nPitch;
    m_nThumbSize = nThumbSize;
    m_bRotateByTag = bRotateByTag;
    m_dPixelRatio = dPixelRatio;
    m_bCanRemake = bCanRemake;
    m_nScreenCells = std::max<std::size_t>(nScreenCells, 1);
    // The grid shows the top when the run ends: the screen there and the
    // ones below it stay.
    m_nRunKeep = m_nScreenCells * (1 + kScreensAround);
    m_nRunKeepFirst = 0;
    m_nLo = 0;
    m_nHi = m_nRunKeep;
    m_bEverywhere = false;
    m_nRestoredSinceTrim = 0;
}

// Runs on the user-interface thread, as the run fills the entry.
void ThumbResidency::ReleaseAfterBuild(std::size_t nIndex, ImageItem& item) const {
    // Set afresh for every entry: a run at a new pitch rebuilds released ones too.
    item.m_bBitsReleased =
        m_bCanRemake && (nIndex < m_nRunKeepFirst || nIndex >= m_nRunKeep) && item.m_pBits;
    if (item.m_bBitsReleased) item.m_pBits.reset();
}

void ThumbResidency::KeepDuringRun(std::size_t nFirst, std::size_t nLast) {
    const std::size_t nAround = m_nScreenCells * kScreensAround;
    m_nRunKeepFirst = nFirst > nAround ? nFirst - nAround : 0;
    m_nRunKeep = nLast + nAround;
    // What was kept for an earlier screen is for a later trim to release.
    m_nLo = std::min(m_nLo, m_nRunKeepFirst);
    m_nHi = std::max(m_nHi, m_nRunKeep);
}

bool ThumbResidency::Restore(ImageItem& item, std::size_t nIndex) {
    if (!IsReleased(item)) return item.m_pBits != nullptr;
    return Install(item, nIndex, Remake(OrderFor(item)));
}

bool ThumbResidency::Install(ImageItem& item, std::size_t nIndex,
                             std::unique_ptr<std::uint8_t[]> pBits) {
    if (!IsReleased(item)) return false;
    // Whatever happened, the entry is not tried again: a file that cannot be
    // read any more is shown as an entry without a picture.
    item.m_bBitsReleased = false;
    if (!pBits) return false;
    item.m_pBits = std::move(pBits);
    Touch(nIndex);
    ++m_nRestoredSinceTrim;
    return true;
}

ThumbResidency::RemakeOrder ThumbResidency::OrderFor(const ImageItem& item) const {
    RemakeOrder order{m_pCache, m_nPitch, m_nThumbSize, m_bRotateByTag, m_dPixelRatio, {}};
    ImageItem& entry = order.entry;
    entry.m_nKind = item.m_nKind;
    entry.m_strPath = item.m_strPath;
    entry.m_strFolder = item.m_strFolder;
    entry.m_strName = item.m_strName;
    entry.m_strExt = item.m_strExt;
    entry.m_nFileSize = item.m_nFileSize;
    entry.m_dwSize = item.m_dwSize;
    entry.m_nThumbWidth = item.m_nThumbWidth;
    entry.m_nThumbHeight = item.m_nThumbHeight;
    entry.m_nBitsWidth = item.m_nBitsWidth;
    entry.m_nBitsHeight = item.m_nBitsHeight;
    return order;
}

// The thumbnail is made on a copy, and only its pixels are taken, and only
// when they have the size the entry was shown with: the captions and the
// cell stay those of the run even if the file changed since.
std::unique_ptr<std::uint8_t[]> ThumbResidency::Remake(const RemakeOrder& order,
                                                       const std::atomic<bool>* pStop) {
    ImageItem fresh;
    const ImageItem& entry = order.entry;
    fresh.m_nKind = entry.m_nKind;
    fresh.m_strPath = entry.m_strPath;
    fresh.m_strFolder = entry.m_strFolder;
    fresh.m_strName = entry.m_strName;
    fresh.m_strExt = entry.m_strExt;
    fresh.m_nFileSize = entry.m_nFileSize;
    fresh.m_dwSize = entry.m_dwSize;
    // The file was read without trouble during the run; whatever the
    // decoder has to say now is not worth interrupting the user for.
    CodecContext quiet(pStop);
    const bool bOk =
        order.pCache ? BuildThumbnailCached(*order.pCache, fresh, order.nPitch, order.nThumbSize,
                                            nullptr, order.bRotateByTag, &quiet, order.dPixelRatio)
                     : BuildOrientedThumbnail(fresh, order.nPitch, order.nThumbSize,
                                              order.bRotateByTag, quiet, order.dPixelRatio);
    if (!bOk || quiet.Stopped() || fresh.m_nThumbWidth != entry.m_nThumbWidth ||
        fresh.m_nThumbHeight != entry.m_nThumbHeight || fresh.BitsWidth() != entry.BitsWidth() ||
        fresh.BitsHeight() != entry.BitsHeight())
        return nullptr;
    return std::move(fresh.m_pBits);
}

void ThumbResidency::Touch(std::size_t nIndex) {
    if (nIndex == kUnknownIndex) {
        m_bEverywhere = true;
        return;
    }
    if (m_nLo >= m_nHi) {
        m_nLo = nIndex;
        m_nHi = nIndex + 1;
        return;
    }
    m_nLo = std::min(m_nLo, nIndex);
    m_nHi = std::max(m_nHi, nIndex + 1);
}

bool ThumbResidency::Trim(ImageList& list, std::size_t nFirst, std::size_t nLast) {
    if (!m_bCanRemake) return false;
    const std::size_t nScreen = std::max(nLast - std::min(nFirst, nLast), m_nScreenCells);
    // A walk costs a visit to each entry of the span; it waits until a
    // screen's worth of entries came back.
    if (!m_bEverywhere && m_nRestoredSinceTrim < nScreen) return false;
    const std::size_t nAround = nScreen * kScreensAround;
    const std::size_t nKeepFirst = nFirst > nAround ? nFirst - nAround : 0;
    const std::size_t nKeepLast = std::min(list.size(), nLast + nAround);
    const std::size_t nFrom = m_bEverywhere ? 0 : std::min(m_nLo, list.size());
    const std::size_t nTo = m_bEverywhere ? list.size() : std::min(m_nHi, list.size());
    bool bReleased = false;
    for (std::size_t i = nFrom; i < nTo; ++i) {
        if (i >= nKeepFirst && i < nKeepLast) continue;
        ImageItem& item = *list[i];
        if (!item.m_pBits) continue;
        item.m_pBits.reset();
        item.m_bBitsReleased = true;
        bReleased = true;
    }
    m_nLo = nKeepFirst;
    m_nHi = nKeepLast;
    m_bEverywhere = false;
    m_nRestoredSinceTrim = 0;
    return bReleased;
}

void ThumbResidency::CatalogueChanged() { m_bEverywhere = true; }
