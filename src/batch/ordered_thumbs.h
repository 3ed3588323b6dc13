// SPDX-License-Identifier: MIT
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <vector>

#include "codec/codec_context.h"
#include "model/image_item.h"
#include "platform/message_box.h"
#include "publish/thumb_writer.h"

// Called on the calling thread once an entry's thumbnail file is in place
// (or has failed), in catalogue order, with the boxes the entry met.
using EntryDone = std::function<void(std::size_t nIndex, const ImageItem& item, bool bOk,
                                     const std::vector<MessageRequest>& vMessages)>;

// One entry of a headless run: its grid thumbnail, then its thumbnail file.
// An entry whose grid thumbnail cannot be made fails as MakeOneThumb does
// for a missing one. The grid pixels are released again: the page does not
// need them. Runs on any thread.
bool MakeEntryThumb(ImageItem& item, const ThumbJob& job, int nPitch, CodecContext& context);

// Makes the thumbnail file of every entry in catalogue order, nJobs at a
// time, and stops at the first entry that fails. Whatever nJobs is, the
// outcome is that of one entry after the other: the same files, the same
// entry fields, the same boxes in the same order (handed to fnDone, not
// shown), and nothing written for the entries after a failing one. With
// more than one job, helper threads write each file under a temporary name
// and this thread puts the files in place in catalogue order, so a file
// that existed before the run is only ever replaced in turn. Returns the
// number of entries made before the first failure (the list's size when
// all were). No thumbnail of the run may replace a photo that another entry
// reads (RefuseThumbNameClash sees to that), or a helper could read it
// before or after its turn. bInterrupt stops the run before the next entry
// and drops the files not yet in place.
std::size_t MakeThumbFilesOrdered(ImageList& listImages, const ThumbJob& job, int nPitch, int nJobs,
                                  const std::atomic<bool>& bInterrupt, const EntryDone& fnDone);
