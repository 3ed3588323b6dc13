// SPDX-License-Identifier: MIT
#pragma once

#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

#include "batch/batch_options.h"
#include "browser/catalogue/catalogue.h"
#include "codec/photo_look.h"
#include "publish/gallery.h"
#include "publish/html_page.h"
#include "publish/thumb_writer.h"

class CBatchConsole;
class SettingsStore;

// Exit statuses of `galerio --make-thumbs`.
inline constexpr int kExitDone = 0;     // every thumbnail and the page written
inline constexpr int kExitFailed = 1;   // the run failed part way; what was written stays
inline constexpr int kExitRefused = 2;  // refused before anything was written
inline constexpr int kExitInterrupted = 130;

// A run with every choice made: the command line first, the stored settings
// for the rest, paths absolute.
struct BatchPlan {
    std::string m_strFolder;  // the photos' folder
    ScanOptions m_scan;
    int m_nSortOption = 0;
    int m_nSortStyle = 0;
    int m_nPitch = 0;  // the grid's cell size, for the grid thumbnails
    ThumbJob m_job;
    bool m_bPage = false;
    PageOptions m_page;
    std::string m_strHead;
    std::string m_strTail;
    // Whether the absolute-path notice is still due; the run shows it but
    // keeps the change to itself, as it leaves the settings alone.
    bool m_bNeedFullPath = true;
    int m_nJobs = 1;
    // How the photos' pixels are rendered: the stored colour management.
    PhotoLook m_look;
    // A web gallery instead of the thumbnail files; its photos are found at the run.
    bool m_bGallery = false;
    GalleryRun m_gallery;
};

// Makes the plan from the arguments and the store, which is only read. The
// checks are the property sheet's, in its order: the thumbnail folder must
// exist, source naming into the photos' own folder is a question answered
// "No" unless --overwrite-originals was given, and the suffix or prefix in
// use must not be blank; then stored numbers out of range and unreadable
// head or tail files. False when refused: the sheet's box was shown, or
// strError holds a one-line reason.
bool PlanBatchRun(const BatchArgs& args, const SettingsStore& store, BatchPlan& plan,
                  std::string& strError);

// Scans, sorts, makes the thumbnail files and writes the page as the Make
// Thumbs commands do for the whole catalogue. Boxes go through ShowMessage.
// Returns the exit status; a folder that cannot be read is refused with
// strError, thumbnail names that clash after their box.
int RunBatchPlan(BatchPlan& plan, CBatchConsole& console, const std::atomic<bool>& bInterrupt,
                 std::string& strError);

// The whole command: the arguments after "--make-thumbs", the help text to
// pOut, every report to pErr. Reads the settings of $XDG_CONFIG_HOME and
// never writes them. Returns the exit status.
int RunMakeThumbsCommand(const std::vector<std::string>& args, std::FILE* pOut, std::FILE* pErr);
