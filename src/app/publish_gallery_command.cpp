// SPDX-License-Identifier: MIT
// Publish Gallery: the dialog, then the web gallery written on a thread of
// its own. Its reports come back as posted events, so the window keeps
// painting and the progress window's Cancel is heard at once.
#include <QCoreApplication>
#include <QProgressDialog>
#include <atomic>
#include <deque>
#include <functional>
#include <system_error>
#include <thread>

#include "app/galerio_app.h"
#include "app/gallery_texts.h"
#include "app/main_frame.h"
#include "browser/galerio_doc.h"
#include "browser/galerio_view.h"
#include "dialogs/gallery_dlg.h"
#include "engine/ordered_engine.h"
#include "platform/handed_event.h"
#include "platform/message_box.h"
#include "platform/paths.h"
#include "publish/gallery.h"
#include "settings/settings_store.h"

namespace {

// A report from the run's thread, to be run on the user-interface thread.
using CGalleryReport = HandedEvent<std::function<void()>>;

// Receives the run's reports. It belongs to the run, so reports still
// queued when the run is gone are dropped with it. The run may end inside
// one of its reports, so it is deleted later, and with the window at the
// latest.
class CGalleryInbox : public QObject {
public:
    explicit CGalleryInbox(QObject* pParent) : QObject(pParent) {}
    bool event(QEvent* e) override {
        if (const auto* pfnReport = CGalleryReport::Take(*e)) {
            (*pfnReport)();
            return true;
        }
        return QObject::event(e);
    }
};

struct LaterDelete {
    void operator()(QObject* p) const { p->deleteLater(); }
};

}  // namespace

struct CMainFrame::GalleryJob {
    // Made before the thread starts and let go only after it has been joined.
    std::unique_ptr<CGalleryInbox, LaterDelete> pInbox;
    GalleryRun run;
    std::atomic<bool> bStop{false};
    std::thread worker;
    std::unique_ptr<QProgressDialog> pProgress;
    // Reported but not yet shown: boxes in the order the run met them, and
    // the outcome once the run has ended.
    std::deque<MessageRequest> boxes;
    std::size_t nDone = 0;
    bool bEnded = false;
    GalleryOutcome outcome;
    // A box runs the event loop; reports that arrive meanwhile wait for it.
    bool bPumping = false;

    ~GalleryJob() {
        bStop = true;
        if (worker.joinable()) worker.join();
    }
};

void CMainFrame::OnPublishGallery() {
    CGalerioView& view = *m_pView;
    if (view.Catalogue().empty() || !view.IsIdle() || m_pGallery) return;
    const SettingsStore& store = m_app.m_store;
    auto pJob = std::make_shared<GalleryJob>();
    pJob->pInbox.reset(new CGalleryInbox(this));
    GalleryRun& run = pJob->run;
    {
        // The dialog runs the event loop while the catalogue is to be read after it.
        const CGalerioView::CatalogueHold hold(view);
        run.strPhotos = AbsoluteFolder(view.SearchFolder().empty() ? m_app.Document()->GetPathName()
                                                                   : view.SearchFolder());
        CGalleryDlg dlg(store, run.strPhotos, this);
        if (!ExecGalleryDlg(dlg)) return;
        run.strOut = dlg.Folder();
        run.options = dlg.Options();
        // A copy: the run shares nothing with the grid, which may change meanwhile.
        run.vSources = GallerySources(view.Catalogue());
    }
    run.nJobs = BuildThreadCount(
        store.GetInt(kSectionPerformance, kThumbnailThreads, kThumbnailThreadsDefault));
    run.look = CurrentPhotoLook();
    // The page is white, so transparent pixels go over white.
    run.look.rgbBackground = 0xFFFFFF;

    pJob->pProgress = std::make_unique<QProgressDialog>(QString::fromLatin1(kGalleryProgressText),
                                                        QString::fromLatin1(kGalleryCancelText), 0,
                                                        int(run.vSources.size()), this);
    QProgressDialog& progress = *pJob->pProgress;
    progress.setWindowTitle(QString::fromLatin1(kAppCaption));
    progress.setWindowModality(Qt::WindowModal);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    GalleryJob* pRaw = pJob.get();
    connect(&progress, &QProgressDialog::canceled, this, [pRaw] { pRaw->bStop = true; });
    progress.show();
    m_pGallery = pJob;
    UpdateCommandUI();

    // The run's thread: every report is handed to the user-interface thread.
    const std::weak_ptr<GalleryJob> weak = pJob;
    const auto report = [this, weak, pRaw](auto fn) {
        QCoreApplication::postEvent(pRaw->pInbox.get(),
                                    new CGalleryReport(QEvent::User, [this, weak, fn] {
                                        const std::shared_ptr<GalleryJob> p = weak.lock();
                                        // A run abandoned at close leaves its late reports unread.
                                        if (!p || p != m_pGallery) return;
                                        fn(*p);
                                        PumpGallery();
                                    }));
    };
    try {
        pJob->worker = std::thread([pRaw, report] {
            GalleryOutcome outcome = PublishGallery(
                pRaw->run, pRaw->bStop,
                [&report](std::size_t nIndex, std::size_t, const GallerySource&, bool,
                          const std::vector<MessageRequest>& vMessages) {
                    report([nIndex, vMessages](GalleryJob& job) {
                        job.nDone = nIndex + 1;
                        job.boxes.insert(job.boxes.end(), vMessages.begin(), vMessages.end());
                    });
                });
            report([outcome = std::move(outcome)](GalleryJob& job) {
                job.boxes.insert(job.boxes.end(), outcome.vMessages.begin(),
                                 outcome.vMessages.end());
                job.outcome = outcome;
                job.bEnded = true;
            });
        });
    } catch (const std::system_error& error) {
        // Without its thread the run would never end.
        m_pGallery.reset();
        ShowMessage(
            QString::fromLatin1(kGalleryNoThreadText).arg(QString::fromLocal8Bit(error.what())));
        UpdateCommandUI();
    }
}

void CMainFrame::PumpGallery() {
    const std::shared_ptr<GalleryJob> pJob = m_pGallery;
    if (!pJob || pJob->bPumping) return;
    pJob->bPumping = true;
    if (!pJob->bStop) pJob->pProgress->setValue(int(pJob->nDone));
    while (!pJob->boxes.empty()) {
        const MessageRequest request = pJob->boxes.front();
        pJob->boxes.pop_front();
        ShowMessage(request);
        // The box may have been up while the window was closed.
        if (m_pGallery != pJob) return;
    }
    pJob->bPumping = false;
    if (!pJob->bEnded) return;
    pJob->pProgress->hide();
    // Its last report was sent, so the thread is ending: the join is short.
    m_pGallery.reset();
    const GalleryOutcome& outcome = pJob->outcome;
    if (outcome.result == GalleryResult::Done)
        ShowMessage(QString::fromLatin1(kGalleryPublishedText)
                        .arg(ToDisplay(pJob->run.strOut))
                        .arg(outcome.nMade)
                        .arg(outcome.nKept),
                    QString::fromLatin1(kAppCaption), MsgIcon::Information);
    UpdateCommandUI();
}

void CMainFrame::AbandonGallery() {
    const std::shared_ptr<GalleryJob> pJob = std::move(m_pGallery);
    if (!pJob) return;
    // Stopped and joined now, even when a box of the run is still up and
    // holds on to the job.
    pJob->bStop = true;
    if (pJob->worker.joinable()) pJob->worker.join();
    pJob->pProgress->hide();
}
