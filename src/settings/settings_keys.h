// SPDX-License-Identifier: MIT
#pragma once

// Every setting's section, name and default, written once. Reading sites
// still pass the default explicitly: GetInt(kSettings, kPitch, kPitchDefault).

inline constexpr const char* kSectionSettings = "Settings";
inline constexpr const char* kSectionScreen = "Screen";
inline constexpr const char* kSectionNewbie = "Newbie";

// "Screen": main window rectangle.
inline constexpr const char* kScreenX = "x";
inline constexpr const char* kScreenY = "y";
inline constexpr const char* kScreenCx = "cx";
inline constexpr const char* kScreenCy = "cy";
inline constexpr int kScreenDefault = 0;

// "Newbie".
inline constexpr const char* kNeedFullPath = "NeedFullPath";
inline constexpr int kNeedFullPathDefault = 1;

// "Settings".
inline constexpr const char* kMRU = "MRU";
inline constexpr int kMRUDefault = 8;
inline constexpr const char* kPitch = "Pitch";
inline constexpr int kPitchDefault = 103;
inline constexpr const char* kSortOption = "SortOption";
inline constexpr int kSortOptionDefault = 0;
inline constexpr const char* kSortStyle = "SortStyle";
inline constexpr int kSortStyleDefault = 0;
inline constexpr const char* kColorCheck = "ColorCheck";
inline constexpr int kColorCheckDefault = 1;
inline constexpr const char* kBackColor = "BackColor";
inline constexpr int kBackColorDefault = 0;
inline constexpr const char* kTextColor = "TextColor";
inline constexpr int kTextColorDefault = 0;
inline constexpr const char* kShowDim = "ShowDim";
inline constexpr int kShowDimDefault = 0;
inline constexpr const char* kShowFileName = "ShowFileName";
inline constexpr int kShowFileNameDefault = 1;
inline constexpr const char* kShowFileSize = "ShowFileSize";
inline constexpr int kShowFileSizeDefault = 0;
inline constexpr const char* kShowFileDate = "ShowFileDate";
inline constexpr int kShowFileDateDefault = 0;
inline constexpr const char* kTNSearch = "TNSearch";
inline constexpr int kTNSearchDefault = 0;
inline constexpr const char* kSlideTime = "SlideTime";
inline constexpr const char* kSlideTimeDefault = "5";
inline constexpr int kSlideSecondsDefault = 5;  // when "SlideTime" holds no number
inline constexpr const char* kRandom = "Random";
inline constexpr int kRandomDefault = 0;
inline constexpr const char* kFit = "Fit";
inline constexpr int kFitDefault = 0;
inline constexpr const char* kShellBrowse = "ShellBrowse";
inline constexpr int kShellBrowseDefault = 1;
inline constexpr const char* kCreateHere = "CreateHere";
inline constexpr int kCreateHereDefault = 0;
inline constexpr const char* kFolderPath = "FolderPath";
inline constexpr const char* kFolderPathDefault = "";
inline constexpr const char* kNoDelDlg = "NoDelDlg";
inline constexpr int kNoDelDlgDefault = 0;
inline constexpr const char* kNoOverDlg = "NoOverDlg";
inline constexpr int kNoOverDlgDefault = 0;
inline constexpr const char* kPrepend = "Prepend";
inline constexpr int kPrependDefault = 0;
inline constexpr const char* kPostPendText = "PostPendText";
inline constexpr const char* kPostPendTextDefault = "_tn";
inline constexpr const char* kPrePendText = "PrePendText";
inline constexpr const char* kPrePendTextDefault = "tn_";
inline constexpr const char* kDoAll = "DoAll";
inline constexpr int kDoAllDefault = 1;
inline constexpr const char* kCompression = "Compression";
inline constexpr int kCompressionDefault = 100;
inline constexpr const char* kFolder = "Folder";
inline constexpr const char* kFolderDefault = "";
inline constexpr const char* kHref = "Href";
inline constexpr int kHrefDefault = 0;
inline constexpr const char* kTextHref = "TextHref";
inline constexpr int kTextHrefDefault = 0;
inline constexpr const char* kHrefStyle = "HrefStyle";
inline constexpr int kHrefStyleDefault = 0;
inline constexpr const char* kFile = "File";
inline constexpr const char* kFileDefault = "";
inline constexpr const char* kRowCount = "RowCount";
inline constexpr int kRowCountDefault = 5;
inline constexpr const char* kTable = "Table";
inline constexpr int kTableDefault = 0;
inline constexpr const char* kBorder = "Border";
inline constexpr int kBorderDefault = 1;
inline constexpr const char* kCell = "Cell";
inline constexpr int kCellDefault = 1;
inline constexpr const char* kCellPad = "CellPad";
inline constexpr int kCellPadDefault = 1;
inline constexpr const char* kBefore = "Before";
inline constexpr const char* kBeforeDefault =
    "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 3.2//EN\">\n<HTML><HEAD><TITLE>\nGalerio "
    "Results\n</TITLE></HEAD><BODY>\n<br>";
inline constexpr const char* kAfter = "After";
inline constexpr const char* kAfterDefault = "</BODY></HTML>";

// Every section and setting name above. The legacy profile came from a
// platform that matched these names without regard to letter case, so its
// import spells each one the way it is read here. A name added above belongs
// in these lists too.
inline constexpr const char* kSectionNames[] = {kSectionSettings, kSectionScreen, kSectionNewbie};
inline constexpr const char* kSettingNames[] = {
    kScreenX,   kScreenY,      kScreenCx,     kScreenCy,     kNeedFullPath, kMRU,
    kPitch,     kSortOption,   kSortStyle,    kColorCheck,   kBackColor,    kTextColor,
    kShowDim,   kShowFileName, kShowFileSize, kShowFileDate, kTNSearch,     kSlideTime,
    kRandom,    kFit,          kShellBrowse,  kCreateHere,   kFolderPath,   kNoDelDlg,
    kNoOverDlg, kPrepend,      kPostPendText, kPrePendText,  kDoAll,        kCompression,
    kFolder,    kHref,         kTextHref,     kHrefStyle,    kFile,         kRowCount,
    kTable,     kBorder,       kCell,         kCellPad,      kBefore,       kAfter};

// How Galerio uses the machine: not one of the settings above, and never
// changing what they mean, so it lives in a section of its own.
inline constexpr const char* kSectionPerformance = "Performance";
// Threads that build grid thumbnails, the run's own included: 0 means one
// per core, 1 builds every thumbnail on the run's own thread.
inline constexpr const char* kThumbnailThreads = "ThumbnailThreads";
inline constexpr int kThumbnailThreadsDefault = 0;
// Thumbnails kept on disk between runs (1 on, 0 off), and the size the cache
// folder is trimmed to after a run, in MiB.
inline constexpr const char* kThumbCache = "ThumbCache";
inline constexpr int kThumbCacheDefault = 1;
inline constexpr const char* kThumbCacheMB = "ThumbCacheMB";
inline constexpr int kThumbCacheMBDefault = 256;

// Whether photos are turned upright by their EXIF orientation tag (1) or
// shown as stored (0). Not one of the settings above either: a section of its
// own, so a profile without it keeps its meaning.
inline constexpr const char* kSectionOrientation = "Orientation";
inline constexpr const char* kRotateByTag = "RotateByTag";
inline constexpr int kRotateByTagDefault = 0;

// Which files are photos and how their colours are shown: a section of its
// own, each choice off unless chosen. "Extra" also finds PNG, GIF, TIFF,
// WebP, HEIF, AVIF and camera raw files; "ColorManage" converts photos with
// a colour profile other than sRGB to sRGB.
inline constexpr const char* kSectionFormats = "Formats";
inline constexpr const char* kExtraFormats = "Extra";
inline constexpr const char* kColorManage = "ColorManage";
inline constexpr int kFormatsOptionDefault = 0;

// How the grid and the image window browse: a section of its own, as each
// of these changes what the program does and is off unless chosen.
// "SlideShowFullScreen" opens the slide show's window full screen;
// "ShowWhileMaking" shows each thumbnail as soon as it is made; "WatchFolder"
// follows changes other programs make to the folder; "KeyboardSelect" moves
// the grid's selection with the arrow keys; "UseTrash" deletes to the Trash.
inline constexpr const char* kSectionBrowsing = "Browsing";
inline constexpr const char* kSlideShowFullScreen = "SlideShowFullScreen";
inline constexpr const char* kShowWhileMaking = "ShowWhileMaking";
inline constexpr const char* kWatchFolder = "WatchFolder";
inline constexpr const char* kKeyboardSelect = "KeyboardSelect";
inline constexpr const char* kUseTrash = "UseTrash";
inline constexpr int kBrowsingOptionDefault = 0;
// The Trash's warning has a "don't show" of its own: ticked there, it must
// not silence the warning before a delete for good.
inline constexpr const char* kNoTrashDlg = "NoTrashDlg";
inline constexpr int kNoTrashDlgDefault = 0;

// The web gallery: a page style of its own beside the Make Thumbs page, so
// none of these touch the described page's settings. "Folder" is where the
// gallery was last published, "Title" the page's title (empty: the photos'
// folder name), "ThumbSize" the side of a thumbnail at 1x, "WebSize" the
// long side of the web copies, "LinkOriginals" links the photos themselves
// instead of web copies, "Captions" 0 none, 1 the file name, 2 the camera's.
inline constexpr const char* kSectionGallery = "Gallery";
inline constexpr const char* kGalleryFolder = "Folder";
inline constexpr const char* kGalleryFolderDefault = "";
inline constexpr const char* kGalleryTitle = "Title";
inline constexpr const char* kGalleryTitleDefault = "";
inline constexpr const char* kGalleryThumbSize = "ThumbSize";
inline constexpr int kGalleryThumbSizeDefault = 240;
inline constexpr const char* kGalleryWebSize = "WebSize";
inline constexpr int kGalleryWebSizeDefault = 2048;
inline constexpr const char* kGalleryLinkOriginals = "LinkOriginals";
inline constexpr int kGalleryLinkOriginalsDefault = 0;
inline constexpr const char* kGalleryCaptions = "Captions";
inline constexpr int kGalleryCaptionsDefault = 0;
