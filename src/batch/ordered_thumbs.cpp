// SPDX-License-Identifier: MIT
#include "batch/ordered_thumbs.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "codec/display_bitmap.h"
#include "codec/jpeg_file.h"
#include "platform/message_box.h"
#include "platform/replace_file.h"
#include "engine/ordered_engine.h"
#include "publish/run_options.h"

namespace {

// What an entry held of its thumbnail file before the run; an entry the run
// did not reach gets it back.
struct ThumbFileFields {
    std::string strPath;
    std::string strName;
    std::int32_t nWidth = 0;
    std::int32_t nHeight = 0;

    explicit ThumbFileFields(const ImageItem& item)
        : strPath(item.m_strThumbFilePath),
          strName(item.m_strThumbFileName),
          nWidth(item.m_nThumbFileWidth),
          nHeight(item.m_nThumbFileHeight) {}
    void RestoreSize(ImageItem& item) const {
        item.m_nThumbFileWidth = nWidth;
        item.m_nThumbFileHeight = nHeight;
    }
    void Restore(ImageItem& item) const {
        item.m_strThumbFilePath = strPath;
        item.m_strThumbFileName = strName;
        RestoreSize(item);
    }
};

// How far the helpers may run ahead of the entry being put in place: each
// finished entry waits as a temporary file beside its target.
std::size_t Window(int nJobs) { return std::size_t(nJobs) * 2; }

// What one entry's job left: its file under a temporary name, its boxes.
struct MadeEntry {
    bool bOk = false;
    std::vector<MessageRequest> messages;
    std::unique_ptr<CDeferredReplacements> pFiles = std::make_unique<CDeferredReplacements>();
};

}  // namespace

bool MakeEntryThumb(ImageItem& item, const ThumbJob& job, int nPitch, CodecContext& context) {
    // A failure leaves no grid pixels, and MakeOneThumb refuses the entry.
    BuildOrientedThumbnail(item, nPitch, GridThumbSize(nPitch), job.m_bRotateByTag, context);
    const bool bOk = MakeOneThumb(item, job, nPitch, context);
    item.m_pBits.reset();
    return bOk;
}

std::size_t MakeThumbFilesOrdered(ImageList& listImages, const ThumbJob& job, int nPitch, int nJobs,
                                  const std::atomic<bool>& bInterrupt, const EntryDone& fnDone) {
    std::vector<ThumbFileFields> vBefore;
    vBefore.reserve(listImages.size());
    for (const auto& pItem : listImages) vBefore.emplace_back(*pItem);
    // A job writes only its own entry, which this thread reads once it is taken.
    const auto make = [&](std::size_t i) {
        MadeEntry made;
        CodecContext context(&bInterrupt);
        context.pDeferred = made.pFiles.get();
        made.bOk = !bInterrupt.load() && MakeEntryThumb(*listImages[i], job, nPitch, context);
        made.messages = std::move(context.messages);
        return made;
    };
    const int nThreads = std::max(1, std::min<int>(nJobs, int(listImages.size())));
    OrderedEngine<MadeEntry> engine(listImages.size(), make, nThreads - 1, Window(nThreads));
    std::size_t nMade = 0;
    for (; nMade < listImages.size(); ++nMade) {
        if (bInterrupt.load()) break;
        MadeEntry made = engine.TakeNext();
        ImageItem& item = *listImages[nMade];
        if (bInterrupt.load()) break;
        bool bOk = made.bOk;
        std::string strFailed;
        if (bOk && !made.pFiles->Publish(strFailed)) {
            // As when the encoder's own rename fails: the names are the new
            // ones, the size stays the old.
            bOk = false;
            CodecContext said;
            JpegFile::SayWriteFailed(said, strFailed, made.pFiles->Error());
            for (MessageRequest& request : said.messages) made.messages.push_back(request);
            vBefore[nMade].RestoreSize(item);
        }
        fnDone(nMade, item, bOk, made.messages);
        if (!bOk) break;
    }
    engine.Stop();
    // The entries after the last one made were never reached; their files,
    // still under temporary names, went with their results.
    const bool bInterrupted = nMade < listImages.size() && bInterrupt.load();
    const std::size_t nFirstUnreached = bInterrupted ? nMade : nMade + 1;
    for (std::size_t i = nFirstUnreached; i < listImages.size(); ++i) {
        vBefore[i].Restore(*listImages[i]);
        listImages[i]->m_pBits.reset();
    }
    return nMade;
}
