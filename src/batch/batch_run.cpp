// SPDX-License-Identifier: MIT
// `galerio --make-thumbs`: the Make Thumbs and Page run without a window.
// The choices come from the command line and, for what it leaves out, from
// the stored settings; the run itself is the one the property sheet starts.
#include "batch/batch_run.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

#include "batch/batch_console.h"
#include "batch/ordered_thumbs.h"
#include "batch/photo_report.h"
#include "browser/catalogue/folder_scan.h"
#include "browser/catalogue/sort_images.h"
#include "platform/message_box.h"
#include "platform/paths.h"
#include "publish/name_clash.h"
#include "publish/publish_settings.h"
#include "publish/run_options.h"
#include "settings/settings_keys.h"
#include "settings/settings_store.h"

namespace {

constexpr const char* kAppName = "Galerio";
constexpr const char* kCommand = "galerio --make-thumbs";
constexpr const char* kNoFilesText = "No files found.";
constexpr const char* kWarningCaption = "Warning!";

bool IsFolder(const std::string& strPath) {
    struct stat st {};
    return stat(strPath.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// A file path made absolute: its folder cleaned as folders are, its name
// kept, also an empty one ("dir/"), which then fails as the folder it names.
std::string AbsoluteFile(const std::string& strPath) {
    const std::size_t nSlash = strPath.rfind('/');
    const std::string strDir =
        nSlash == std::string::npos ? std::string(".") : strPath.substr(0, nSlash + 1);
    const std::string strName = nSlash == std::string::npos ? strPath : strPath.substr(nSlash + 1);
    const std::string strFolder = AbsoluteFolder(strDir);
    return (strFolder == "/" ? std::string() : strFolder) + "/" + strName;
}

// A folder text as the sheet's reaches the page: an absolute one as typed,
// so a trailing "/" gives the same "//" in the thumbnails' file URLs; a
// relative one made absolute and clean, as the page's file URLs make it.
std::string AbsoluteText(const std::string& strPath) {
    return !strPath.empty() && strPath[0] == '/' ? strPath : AbsoluteFolder(strPath);
}

// The bytes of a file, exactly.
bool ReadWholeFile(const std::string& strPath, std::string& strText, std::string& strError) {
    if (IsFolder(strPath)) {
        strError = "is a folder";
        return false;
    }
    std::ifstream file(strPath, std::ios::binary);
    if (!file) {
        strError = std::strerror(errno);
        return false;
    }
    std::ostringstream text;
    text << file.rdbuf();
    if (file.bad()) {
        strError = "cannot be read";
        return false;
    }
    strText = text.str();
    return true;
}

// A stored number the run would use is held to the range the sheet checks.
bool CheckStored(const char* pszSetting, int nValue, int nMin, int nMax, const char* pszOption,
                 std::string& strError) {
    if (nValue >= nMin && nValue <= nMax) return true;
    strError = "the stored setting " + std::string(pszSetting) + " is " + std::to_string(nValue) +
               ", not a whole number from " + std::to_string(nMin) + " to " + std::to_string(nMax) +
               "; give " + pszOption;
    return false;
}

// A box about a photo becomes a line that names the photo: several photos
// are read at a time, and the library's own texts name no file.
void ReportPhoto(CBatchConsole& console, const ImageItem& item, bool bOk,
                 const std::vector<MessageRequest>& vMessages, const BatchPlan& plan,
                 const std::atomic<bool>& bInterrupt) {
    // A photo left half read by an interrupt has nothing wrong with it.
    if (!bOk && bInterrupt.load()) return;
    for (const std::string& strReason : PhotoReasons(item, bOk, vMessages, plan.m_job.m_nSizeLimit))
        console.Line(std::string(kCommand) + ": '" + item.m_strPath + "': " + strReason);
}

std::atomic<bool> g_bInterrupted{false};

extern "C" void OnInterrupt(int) { g_bInterrupted.store(true); }

// While alive, Ctrl-C and a termination request end the run at the next
// entry, so that no temporary file is left beside the thumbnails.
class ScopedInterruptHandler {
public:
    ScopedInterruptHandler() {
        g_bInterrupted.store(false);
        struct sigaction action {};
        action.sa_handler = OnInterrupt;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &m_oldInt);
        sigaction(SIGTERM, &action, &m_oldTerm);
    }
    ~ScopedInterruptHandler() {
        sigaction(SIGINT, &m_oldInt, nullptr);
        sigaction(SIGTERM, &m_oldTerm, nullptr);
    }
    ScopedInterruptHandler(const ScopedInterruptHandler&) = delete;
    ScopedInterruptHandler& operator=(const ScopedInterruptHandler&) = delete;

private:
    struct sigaction m_oldInt {};
    struct sigaction m_oldTerm {};
};

// The gallery's part of the plan: its own options over the stored ones. The
// photos are found and sorted as for thumbnail files.
bool PlanGallery(const BatchArgs& args, const SettingsStore& store, BatchPlan& plan,
                 std::string& strError) {
    plan.m_bGallery = true;
    GalleryRun& run = plan.m_gallery;
    run.strPhotos = plan.m_strFolder;
    run.strOut = AbsoluteFolder(args.m_strOut);
    run.options = LoadGalleryOptions(store);
    if (args.m_strTitle) run.options.strTitle = *args.m_strTitle;
    if (args.m_nWebSize) run.options.nWebSize = *args.m_nWebSize;
    if (args.m_bLinkOriginals) run.options.bLinkOriginals = *args.m_bLinkOriginals;
    if (args.m_nCaptions) run.options.nCaptions = GalleryCaptions(*args.m_nCaptions);
    if (args.m_nSize) {
        if (*args.m_nSize < kGalleryThumbSizeMin || *args.m_nSize > kGalleryThumbSizeMax) {
            strError = "--size: a gallery's thumbnails are from " +
                       std::to_string(kGalleryThumbSizeMin) + " to " +
                       std::to_string(kGalleryThumbSizeMax) + " pixels, not " +
                       std::to_string(*args.m_nSize);
            return false;
        }
        run.options.nThumbSize = *args.m_nSize;
    }
    run.look.bColorManage = true;
    run.look.rgbBackground = kThumbFileBackground;
    return true;
}

void ReportGallery(CBatchConsole& console, const GalleryOutcome& outcome,
                   const std::string& strOut) {
    for (const MessageRequest& request : outcome.vMessages) ShowMessage(request);
    if (outcome.result != GalleryResult::Done) return;
    console.Line(std::string(kCommand) + ": the gallery is " + strOut + "/" + kGalleryPageName +
                 ": " + std::to_string(outcome.nMade) + " made, " +
                 std::to_string(outcome.nKept) + " up to date, " +
                 std::to_string(outcome.nRemoved) + " files removed");
}

int RunGalleryPlan(const BatchPlan& plan, const ImageList& listImages, CBatchConsole& console,
                   const std::atomic<bool>& bInterrupt) {
    GalleryRun run = plan.m_gallery;
    run.vSources = GallerySources(listImages);
    bool bReached = false;  // a photo was reached: the refusals come before any
    const GalleryOutcome outcome =
        PublishGallery(run, bInterrupt,
                       [&](std::size_t i, std::size_t nTotal, const GallerySource& source, bool bOk,
                           const std::vector<MessageRequest>& vMessages) {
                           bReached = true;
                           ReportPhoto(console, *listImages[i], bOk, vMessages, plan, bInterrupt);
                           console.Progress(i + 1, nTotal, source.strFileName);
                       });
    console.EndProgress();
    ReportGallery(console, outcome, run.strOut);
    switch (outcome.result) {
        case GalleryResult::Done:
            return kExitDone;
        case GalleryResult::Cancelled:
            console.Line(std::string(kCommand) + ": interrupted; the images made so far are kept");
            return kExitInterrupted;
        default:
            return bReached ? kExitFailed : kExitRefused;
    }
}

// Which photos a run takes, in which order, and how many at a time.
bool PlanPhotos(const BatchArgs& args, const SettingsStore& store, BatchPlan& plan) {
    // The scan skips thumbnails by the names this run gives them, so a run
    // repeated into the photos' folder does not make thumbnails of thumbnails.
    plan.m_scan = RunScanOptions(store, plan.m_job);
    plan.m_scan.m_bExtraFormats =
        args.m_nFormats ? *args.m_nFormats == 1
                        : store.GetInt(kSectionFormats, kExtraFormats, kFormatsOptionDefault) != 0;
    plan.m_look.bColorManage =
        store.GetInt(kSectionFormats, kColorManage, kFormatsOptionDefault) != 0;
    plan.m_nSortOption = args.m_nSortOption.value_or(
        store.GetInt(kSectionSettings, kSortOption, kSortOptionDefault));
    plan.m_nSortStyle = args.m_bDescending
                            ? (*args.m_bDescending ? 1 : 0)
                            : store.GetInt(kSectionSettings, kSortStyle, kSortStyleDefault);

    plan.m_nJobs =
        args.m_nJobs.value_or(static_cast<int>(std::max(1u, std::thread::hardware_concurrency())));
    plan.m_gallery.nJobs = plan.m_nJobs;
    return true;
}

}  // namespace

bool PlanBatchRun(const BatchArgs& args, const SettingsStore& store, BatchPlan& plan,
                  std::string& strError) {
    plan = BatchPlan();
    plan.m_strFolder = AbsoluteFolder(args.m_strFolder);
    if (!IsFolder(plan.m_strFolder)) {
        strError = "the folder of photos '" + args.m_strFolder + "' does not exist";
        return false;
    }

    plan.m_nPitch = store.GetInt(kSectionSettings, kPitch, kPitchDefault);
    // The grid thumbnails are made at the grid's size, as the view makes them.
    if (GridThumbSize(plan.m_nPitch) < 1) {
        strError = "the stored setting Pitch is " + std::to_string(plan.m_nPitch) +
                   ", too small for a thumbnail grid";
        return false;
    }
    if (args.m_nStyle.value_or(0) == 1 && !PlanGallery(args, store, plan, strError)) return false;
    // The choices the sheet would offer, the size limit from the grid.
    const PublishSettings stored = LoadPublishSettings(
        store, args.m_nSize.value_or(GridThumbSize(plan.m_nPitch)), plan.m_strFolder);
    plan.m_job = stored.job;
    plan.m_job.m_strFolder = AbsoluteText(args.m_strOut);
    if (args.m_nNaming) plan.m_job.m_nNaming = *args.m_nNaming;
    if (args.m_strSuffix) plan.m_job.m_strSuffix = *args.m_strSuffix;
    if (args.m_strPrefix) plan.m_job.m_strPrefix = *args.m_strPrefix;
    if (args.m_nQuality) plan.m_job.m_nQuality = *args.m_nQuality;

    // A gallery's folder is made by the run, and the thumbnail files' checks
    // are not its own: only the scan, the sort and the jobs are shared.
    if (plan.m_bGallery) return PlanPhotos(args, store, plan);
    if (!IsFolder(plan.m_job.m_strFolder)) {
        ShowMessage(QString::fromLatin1(kFolderMissingText).arg(ToDisplay(args.m_strOut)));
        return false;
    }
    const int nNaming = plan.m_job.m_nNaming;
    if (nNaming == SourceName && SameFolder(plan.m_job.m_strFolder, plan.m_strFolder) &&
        !args.m_bOverwriteOriginals) {
        // Nobody is there to say "Yes"; the question takes its safe answer.
        if (ShowMessage(QString::fromLatin1(kOverwriteOriginalsText),
                        QString::fromLatin1(kWarningCaption), MsgIcon::Exclamation,
                        MsgButtons::YesNo) != MsgResult::Yes) {
            strError =
                "the photos are not replaced by their thumbnails without "
                "--overwrite-originals";
            return false;
        }
    }
    if (nNaming == AppendText && plan.m_job.m_strSuffix.empty()) {
        ShowMessage(QString::fromLatin1(kBlankSuffixText));
        return false;
    }
    if (nNaming == PrependText && plan.m_job.m_strPrefix.empty()) {
        ShowMessage(QString::fromLatin1(kBlankPrefixText));
        return false;
    }
    const int nSize = plan.m_job.m_nSizeLimit;
    if (!args.m_nSize && (nSize < kSizeLimitMin || nSize > kSizeLimitMax)) {
        strError = "the grid's thumbnail size (the stored Pitch less 3) is " +
                   std::to_string(nSize) + ", not a whole number from " +
                   std::to_string(kSizeLimitMin) + " to " + std::to_string(kSizeLimitMax) +
                   "; give --size";
        return false;
    }
    if (!CheckStored(kCompression, plan.m_job.m_nQuality, kQualityMin, kQualityMax, "--quality",
                     strError))
        return false;

    PlanPhotos(args, store, plan);

    plan.m_bPage = args.m_strPage.has_value();
    if (plan.m_bPage) {
        PageOptions& page = plan.m_page;
        page = stored.page;
        page.m_strFile = AbsoluteFile(*args.m_strPage);
        if (args.m_bLink) page.m_bHref = *args.m_bLink;
        if (args.m_nHrefStyle) page.m_nHrefStyle = *args.m_nHrefStyle;
        if (args.m_bTextAnchor) page.m_bTextHref = *args.m_bTextAnchor;
        if (args.m_bTable) page.m_bTable = *args.m_bTable;
        if (args.m_nRowCount) page.m_nRowCount = *args.m_nRowCount;
        if (args.m_nBorder) page.m_nBorder = *args.m_nBorder;
        if (args.m_nCell) page.m_nCell = *args.m_nCell;
        if (args.m_nCellPad) page.m_nCellPad = *args.m_nCellPad;
        if (page.m_bHref &&
            !CheckStored(kHrefStyle, page.m_nHrefStyle, 0, kHrefStyleMax, "--link", strError))
            return false;
        if (page.m_bTable &&
            (!CheckStored(kRowCount, page.m_nRowCount, kRowCountMin, kRowCountMax, "--table",
                          strError) ||
             !CheckStored(kBorder, page.m_nBorder, kBorderMin, kBorderMax, "--border", strError) ||
             !CheckStored(kCell, page.m_nCell, kCellMin, kCellMax, "--cellspacing", strError)))
            return false;

        std::string strWhy;
        plan.m_strHead = stored.strBefore;
        if (args.m_strHead && !ReadWholeFile(*args.m_strHead, plan.m_strHead, strWhy)) {
            strError = "--head: '" + *args.m_strHead + "' " + strWhy;
            return false;
        }
        plan.m_strTail = stored.strAfter;
        if (args.m_strTail && !ReadWholeFile(*args.m_strTail, plan.m_strTail, strWhy)) {
            strError = "--tail: '" + *args.m_strTail + "' " + strWhy;
            return false;
        }
        plan.m_bNeedFullPath =
            store.GetInt(kSectionNewbie, kNeedFullPath, kNeedFullPathDefault) != 0;
    }

    return true;
}

int RunBatchPlan(BatchPlan& plan, CBatchConsole& console, const std::atomic<bool>& bInterrupt,
                 std::string& strError) {
    SetPhotoLook(plan.m_look);
    ImageList listImages;
    int nError = 0;
    const bool bAnyMatch =
        ScanFolder(plan.m_strFolder, plan.m_scan, listImages, {}, nullptr, &nError);
    if (nError != 0) {
        strError = "the folder of photos '" + plan.m_strFolder +
                   "' cannot be read: " + std::strerror(nError);
        return kExitRefused;
    }
    // The commands need a catalogue with something in it.
    if (!bAnyMatch || listImages.empty()) {
        ShowMessage(QString::fromLatin1(kNoFilesText));
        return kExitFailed;
    }
    SortImages(listImages, plan.m_nSortOption, plan.m_nSortStyle);
    if (plan.m_bGallery) return RunGalleryPlan(plan, listImages, console, bInterrupt);
    if (RefuseThumbNameClash(listImages, true, nullptr, plan.m_job, plan.m_scan))
        return kExitRefused;
    // A catalogue of one image never gets a table.
    if (listImages.size() <= 1) plan.m_page.m_bTable = false;

    const std::size_t nTotal = listImages.size();
    const std::size_t nMade =
        MakeThumbFilesOrdered(listImages, plan.m_job, plan.m_nPitch, plan.m_nJobs, bInterrupt,
                              [&](std::size_t i, const ImageItem& item, bool bOk,
                                  const std::vector<MessageRequest>& vMessages) {
                                  ReportPhoto(console, item, bOk, vMessages, plan, bInterrupt);
                                  console.Progress(i + 1, nTotal, item.m_strName + item.m_strExt);
                              });
    console.EndProgress();
    if (bInterrupt.load()) {
        console.Line(std::string(kCommand) + ": interrupted; the thumbnails made so far are kept");
        return kExitInterrupted;
    }
    const bool bThumbsMade = nMade == nTotal;
    if (!bThumbsMade) ShowMessage(QString::fromLatin1(kRunFailedText));
    // The page is written also after a failed run, as the sheet does.
    bool bPageWritten = true;
    if (plan.m_bPage)
        bPageWritten = WriteHtmlPage(listImages, true, nullptr, plan.m_page, plan.m_strHead,
                                     plan.m_strTail, plan.m_bNeedFullPath);
    return bThumbsMade && bPageWritten ? kExitDone : kExitFailed;
}

int RunMakeThumbsCommand(const std::vector<std::string>& args, std::FILE* pOut, std::FILE* pErr) {
    CBatchConsole console(pErr, isatty(fileno(pErr)) == 1);
    BatchArgs batchArgs;
    std::string strError;
    if (!ParseBatchArgs(args, batchArgs, strError)) {
        console.Line(std::string(kCommand) + ": " + strError + " (see " + kCommand + " --help)");
        return kExitRefused;
    }
    if (batchArgs.m_bHelp) {
        std::fputs(BatchUsage(), pOut);
        return kExitDone;
    }

    // Every box becomes a report on stderr.
    const MessageHandler previous = SetMessageHandler(
        [&console](const MessageRequest& request) { return console.Report(request); });
    // Only read: a script's run must not change the choices of the desktop program.
    SettingsStore store;
    store.SetFilePath(SettingsStore::ProductKeyPath(kAppName));

    int nStatus = kExitRefused;
    BatchPlan plan;
    if (PlanBatchRun(batchArgs, store, plan, strError)) {
        ScopedInterruptHandler interrupt;
        nStatus = RunBatchPlan(plan, console, g_bInterrupted, strError);
    }
    if (!strError.empty()) console.Line(std::string(kCommand) + ": " + strError);
    SetMessageHandler(previous);
    return nStatus;
}
