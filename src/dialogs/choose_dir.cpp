// SPDX-License-Identifier: MIT
#include "dialogs/choose_dir.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStorageInfo>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>
#include <cerrno>
#include <set>

#include "platform/message_box.h"
#include "platform/paths.h"

namespace {

// The chooser's texts, spelled as the user sees them.
constexpr const char* kTitle = "Choose Directory";
constexpr const char* kPathLabel = "Directory &name:";
constexpr const char* kDrivesLabel = "Dri&ves:";
constexpr const char* kOk = "OK";
constexpr const char* kCancel = "Cancel";
constexpr const char* kInvalidPath = "%s is not a valid pathname.";
constexpr const char* kCreateQuestion = "Directory %s does not exist.\nCreate this directory?";
constexpr const char* kCreateFailed =
    "There was a problem creating %s.\nThe new directory was not created.";

// "/" separates folders here, so only the characters no desktop file manager
// accepts in a name are refused.
constexpr const char* kInvalidChars = "*?|<>\"";

// The path goes in whole, never through a format, so a "%" in it stays as it is.
QString WithPath(const char* text, const std::string& path) {
    QString result = QString::fromLatin1(text);
    return result.replace(QStringLiteral("%s"), ToDisplay(path));
}

// Kernel, memory and image file systems hold no photos a user browses to.
bool IsPseudoFileSystem(const QByteArray& type) {
    static const std::set<QByteArray> kPseudo = {"autofs",     "binfmt_misc",
                                                 "bpf",        "cgroup",
                                                 "cgroup2",    "configfs",
                                                 "debugfs",    "devpts",
                                                 "devtmpfs",   "efivarfs",
                                                 "fusectl",    "hugetlbfs",
                                                 "mqueue",     "nsfs",
                                                 "overlay",    "proc",
                                                 "pstore",     "ramfs",
                                                 "rpc_pipefs", "securityfs",
                                                 "selinuxfs",  "squashfs",
                                                 "sysfs",      "tmpfs",
                                                 "tracefs",    "fuse.gvfsd-fuse",
                                                 "fuse.portal"};
    return kPseudo.count(type) != 0;
}

bool IsEnterableDirectory(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

std::string WithoutTrailingSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

// The process's current directory is never changed, so a relative path is
// anchored at the folder the list has open, where the user is looking.
std::string Anchored(const std::string& typed, const std::string& listFolder) {
    if (typed.empty() || typed[0] == '/') return typed;
    const std::string base = WithoutTrailingSlash(listFolder);
    return base == "/" ? "/" + typed : base + "/" + typed;
}

std::vector<std::string> Subfolders(const std::string& folder) {
    std::vector<std::string> names;
    DIR* pDir = ::opendir(folder.c_str());
    if (!pDir) return names;
    while (const dirent* pEntry = ::readdir(pDir)) {
        const std::string name = pEntry->d_name;
        // Hidden folders stay out of the list; they can still be typed.
        if (name.empty() || name[0] == '.') continue;
        const std::string full = folder == "/" ? "/" + name : folder + "/" + name;
        struct stat st {};
        if (::stat(full.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) names.push_back(name);
    }
    ::closedir(pDir);
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return ToDisplay(a).compare(ToDisplay(b), Qt::CaseInsensitive) < 0;
    });
    return names;
}

constexpr int kPathRole = Qt::UserRole;

std::string ItemPath(const QListWidgetItem* pItem) {
    return pItem->data(kPathRole).toByteArray().toStdString();
}

ChooseDirHandler g_handler;  // only the user-interface thread runs dialogs

}  // namespace

ChooseDirOutcome CheckChosenDirectory(const std::string& typed, const std::string& listFolder,
                                      std::string& result) {
    if (typed.find_first_of(kInvalidChars) != std::string::npos) {
        ShowMessage(WithPath(kInvalidPath, typed));
        return ChooseDirOutcome::Stay;
    }
    // An empty field stays empty: it names no folder, so it is asked about
    // and then fails to be created.
    const std::string full = Anchored(typed, listFolder);
    if (IsEnterableDirectory(full)) {
        result = WithoutTrailingSlash(full);
        return ChooseDirOutcome::Accept;
    }
    const QString caption = QString::fromLatin1(kAppCaption);
    if (ShowMessage(WithPath(kCreateQuestion, typed), caption, MsgIcon::Question,
                    MsgButtons::YesNo) != MsgResult::Yes) {
        return ChooseDirOutcome::Stay;
    }
    if (::mkdir(full.c_str(), 0777) != 0) {
        ShowMessage(WithPath(kCreateFailed, typed), caption, MsgIcon::Information);
        return ChooseDirOutcome::Stay;
    }
    result = WithoutTrailingSlash(full);
    return ChooseDirOutcome::Accept;
}

std::vector<std::string> StartingPlaces() {
    std::vector<std::string> places{"/"};
    const std::string home = AbsoluteFolder(FromDisplay(QDir::homePath()));
    if (IsEnterableDirectory(home)) places.push_back(home);
    std::vector<std::string> volumes;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (!volume.isValid() || !volume.isReady() || IsPseudoFileSystem(volume.fileSystemType()))
            continue;
        const std::string root = FromDisplay(volume.rootPath());
        // Containers bind single files such as /etc/hosts; only folders are places.
        if (IsEnterableDirectory(root)) volumes.push_back(AbsoluteFolder(root));
    }
    std::sort(volumes.begin(), volumes.end());
    for (const std::string& volume : volumes) {
        if (std::find(places.begin(), places.end(), volume) == places.end())
            places.push_back(volume);
    }
    return places;
}

CChooseDir::CChooseDir(QWidget* pOwner, const std::string& startFolder) : QDialog(pOwner) {
    setObjectName(QStringLiteral("dialog%1").arg(IDD_CHOOSE_DIR));
    setWindowTitle(QString::fromLatin1(kTitle));
    setModal(true);

    m_pPathEdit = new QLineEdit(this);
    m_pPathEdit->setObjectName(QStringLiteral("edit%1").arg(IDC_PATH_EDIT));
    auto* pPathLabel = new QLabel(QString::fromLatin1(kPathLabel), this);
    pPathLabel->setBuddy(m_pPathEdit);

    m_pDirList = new QListWidget(this);
    m_pDirList->setObjectName(QStringLiteral("list%1").arg(IDC_DIR_LIST));
    m_pDirList->installEventFilter(this);
    connect(m_pDirList, &QListWidget::itemClicked, this, &CChooseDir::OpenItem);

    m_pDriveList = new QComboBox(this);
    m_pDriveList->setObjectName(QStringLiteral("combo%1").arg(IDC_DRIVE_LIST));
    for (const std::string& place : StartingPlaces())
        m_pDriveList->addItem(ToDisplay(place), QByteArray::fromStdString(place));
    auto* pDrivesLabel = new QLabel(QString::fromLatin1(kDrivesLabel), this);
    pDrivesLabel->setBuddy(m_pDriveList);
    connect(m_pDriveList, &QComboBox::activated, this, [this](int nIndex) {
        Open(m_pDriveList->itemData(nIndex).toByteArray().toStdString());
    });

    auto* pButtons = new QDialogButtonBox(Qt::Vertical, this);
    QPushButton* pOk = pButtons->addButton(QString::fromLatin1(kOk), QDialogButtonBox::AcceptRole);
    pOk->setDefault(true);
    pButtons->addButton(QString::fromLatin1(kCancel), QDialogButtonBox::RejectRole);
    connect(pButtons, &QDialogButtonBox::accepted, this, &CChooseDir::accept);
    connect(pButtons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* pLeft = new QVBoxLayout;
    pLeft->addWidget(pPathLabel);
    pLeft->addWidget(m_pPathEdit);
    pLeft->addWidget(m_pDirList, 1);
    pLeft->addWidget(pDrivesLabel);
    pLeft->addWidget(m_pDriveList);
    auto* pMain = new QGridLayout(this);
    pMain->addLayout(pLeft, 0, 0);
    pMain->addWidget(pButtons, 0, 1, Qt::AlignTop);

    std::string start = AbsoluteFolder(startFolder.empty() ? std::string(".") : startFolder);
    while (start != "/" && !IsEnterableDirectory(start)) start = AbsoluteFolder(start + "/..");
    Open(start);
    m_pDirList->setFocus();
}

void CChooseDir::Open(const std::string& folder) {
    m_strOpen = AbsoluteFolder(folder);
    FillDirList();
    // The field mirrors the list; what the user typed before is replaced.
    m_strShown = ToDisplay(m_strOpen);
    m_pPathEdit->setText(m_strShown);
}

void CChooseDir::FillDirList() {
    m_pDirList->clear();
    const QIcon openIcon = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closedIcon = style()->standardIcon(QStyle::SP_DirIcon);
    auto add = [this](const QIcon& icon, const std::string& name, const std::string& path) {
        auto* pItem = new QListWidgetItem(icon, ToDisplay(name), m_pDirList);
        pItem->setData(kPathRole, QByteArray::fromStdString(path));
        return pItem;
    };
    // The chain from "/" down to the open folder, then its subfolders.
    QListWidgetItem* pCurrent = add(openIcon, "/", "/");
    std::string chain;
    std::size_t pos = 1;
    while (pos < m_strOpen.size()) {
        std::size_t slash = m_strOpen.find('/', pos);
        if (slash == std::string::npos) slash = m_strOpen.size();
        const std::string name = m_strOpen.substr(pos, slash - pos);
        chain += "/" + name;
        pCurrent = add(openIcon, name, chain);
        pos = slash + 1;
    }
    for (const std::string& name : Subfolders(m_strOpen))
        add(closedIcon, name, m_strOpen == "/" ? "/" + name : m_strOpen + "/" + name);
    m_pDirList->setCurrentItem(pCurrent);
}

void CChooseDir::OpenItem(QListWidgetItem* pItem) {
    if (pItem) Open(ItemPath(pItem));
}

bool CChooseDir::eventFilter(QObject* pWatched, QEvent* pEvent) {
    // Enter in the list opens the entry instead of pressing OK.
    if (pWatched == m_pDirList && pEvent->type() == QEvent::KeyPress) {
        const int nKey = static_cast<QKeyEvent*>(pEvent)->key();
        if (nKey == Qt::Key_Return || nKey == Qt::Key_Enter) {
            OpenItem(m_pDirList->currentItem());
            return true;
        }
    }
    return QDialog::eventFilter(pWatched, pEvent);
}

void CChooseDir::accept() {
    // The field's own bytes are kept while it shows the assembled path, so a
    // folder name that is not valid UTF-8 survives the trip through the field.
    const QString text = m_pPathEdit->text();
    const std::string typed = text == m_strShown ? m_strOpen : FromDisplay(text);
    std::string chosen;
    if (CheckChosenDirectory(typed, m_strOpen, chosen) != ChooseDirOutcome::Accept) return;
    m_strChosen = chosen;
    QDialog::accept();
}

std::string ChooseDirectory(QWidget* pOwner, const std::string& startFolder) {
    if (g_handler) return g_handler(pOwner, startFolder);
    CChooseDir dialog(pOwner, startFolder);
    if (dialog.exec() != QDialog::Accepted) return {};
    return dialog.ChosenFolder();
}

ChooseDirHandler SetChooseDirHandler(ChooseDirHandler handler) {
    std::swap(g_handler, handler);
    return handler;
}
