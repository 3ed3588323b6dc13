// SPDX-License-Identifier: MIT
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "browser/catalogue/thumb_cache.h"
#include "model/image_item.h"

// Which catalogue entries hold their thumbnail's pixels, so that the memory
// of a grid follows the screens near the one shown and not the folder's size.
// Entries far from the visible cells give their pixels back and get them
// again, byte for byte, when they come near: from the thumbnail cache when it
// holds them, else by building them as the run did. Nobody sees it happen: a
// remake shows no box, and one that fails leaves the cell without a picture.
// Runs on the user-interface thread, except ReleaseAfterBuild.
class ThumbResidency {
public:
    // Screens kept on each side of the visible one.
    static constexpr std::size_t kScreensAround = 2;

    // How the coming run makes thumbnails, and how many cells one screen
    // shows. Entries past the first screens give their pixels back as the run
    // takes them. bCanRemake false (the thumbnails come from a builder that
    // cannot be repeated) keeps every entry's pixels. Called before the run
    // starts; the run's threads only read what it sets.
    // dPixelRatio is the screen's, which the pixels are made for.
    void StartRun(std::shared_ptr<const ThumbCache> pCache, int nPitch, int nThumbSize,
                  bool bRotateByTag, std::size_t nScreenCells, bool bCanRemake,
                  double dPixelRatio = 1.0);

    // Called as the run puts entry nIndex's thumbnail in place: an entry
    // beyond the first screens releases its pixels at once.
    void ReleaseAfterBuild(std::size_t nIndex, ImageItem& item) const;
    // A run that shows its thumbnails as they are made keeps those of the
    // screens around the cells [nFirst, nLast) now shown instead.
    void KeepDuringRun(std::size_t nFirst, std::size_t nLast);

    // Gives a released entry its pixels back; nIndex is its place in the
    // catalogue (kUnknownIndex when not known). True when the entry has pixels.
    static constexpr std::size_t kUnknownIndex = static_cast<std::size_t>(-1);
    bool Restore(ImageItem& item, std::size_t nIndex = kUnknownIndex);

    // What remaking one entry's pixels reads, copied, so that a helper thread
    // reads nothing the user-interface thread may change meanwhile.
    struct RemakeOrder {
        std::shared_ptr<const ThumbCache> pCache;
        int nPitch = 0;
        int nThumbSize = 0;
        bool bRotateByTag = false;
        double dPixelRatio = 1.0;
        ImageItem entry;  // the names, kind, size and thumbnail size, no pixels
    };
    // Whether the entry gave its pixels back and may get them again.
    static bool IsReleased(const ImageItem& item) { return item.m_bBitsReleased && !item.m_pBits; }
    RemakeOrder OrderFor(const ImageItem& item) const;
    // The entry's pixels as the run made them; null when they cannot be made
    // now or come out another size. Runs on any thread; a stop abandons it.
    static std::unique_ptr<std::uint8_t[]> Remake(const RemakeOrder& order,
                                                  const std::atomic<bool>* pStop = nullptr);
    // Gives a released entry pixels remade on another thread. False (and the
    // pixels dropped) when the entry is not released any more.
    bool Install(ImageItem& item, std::size_t nIndex, std::unique_ptr<std::uint8_t[]> pBits);

    // After the cells [nFirst, nLast) were shown: entries more than
    // kScreensAround screens away release their pixels, once enough were
    // restored since the last trim to be worth a walk. True when any entry
    // released its pixels.
    bool Trim(ImageList& list, std::size_t nFirst, std::size_t nLast);

    // The catalogue was reordered or shortened: the next trim looks at every entry.
    void CatalogueChanged();

private:
    void Touch(std::size_t nIndex);

    std::shared_ptr<const ThumbCache> m_pCache;
    int m_nPitch = 0;
    int m_nThumbSize = 0;
    bool m_bRotateByTag = false;
    double m_dPixelRatio = 1.0;
    bool m_bCanRemake = false;
    std::size_t m_nScreenCells = 1;
    std::size_t m_nRunKeep = 0;
    std::size_t m_nRunKeepFirst = 0;

    // Where entries with pixels may be, so a trim need not visit every entry.
    std::size_t m_nLo = 0;
    std::size_t m_nHi = 0;
    bool m_bEverywhere = false;
    std::size_t m_nRestoredSinceTrim = 0;
};
