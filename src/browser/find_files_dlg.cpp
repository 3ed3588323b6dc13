// SPDX-License-Identifier: MIT
#include "browser/find_files_dlg.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QVBoxLayout>

#include "browser/galerio_view.h"

namespace {

constexpr int kShowIntervalMs = 40;

}  // namespace

CFindFilesDlg::CFindFilesDlg(CGalerioView* pView)
    : QDialog(pView, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      m_pView(pView),
      m_pLabel(new QLabel(this)) {
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pLabel);
    m_pLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // File names are shown as they are, never read as markup.
    m_pLabel->setTextFormat(Qt::PlainText);
    // A long path is shown whole and clipped by the window, never wrapped.
    m_pLabel->setWordWrap(false);
    m_pLabel->setMinimumWidth(420);
    m_pLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_timerShow.setSingleShot(true);
    connect(&m_timerShow, &QTimer::timeout, this, &CFindFilesDlg::ShowText);
}

CFindFilesDlg::~CFindFilesDlg() {
    // The base destructor hides the window without passing through setVisible.
    if (m_pView) m_pView->SetFindDlgVisible(false);
}

void CFindFilesDlg::Create(QWidget* pOwner) {
    SetText(QStringLiteral("starting..."));
    adjustSize();
    QWidget* pMain = pOwner ? pOwner->window() : nullptr;
    if (pMain && pMain->isVisible()) {
        QRect rc = frameGeometry();
        rc.moveCenter(pMain->frameGeometry().center());
        move(rc.topLeft());
    }
    show();
}

void CFindFilesDlg::SetTitle(const QString& title) {
    setWindowTitle(title);
    emit TitleChanged(title);
}

void CFindFilesDlg::SetText(const QString& text) {
    m_strText = text;
    if (!m_timeShown.isValid() || m_timeShown.elapsed() >= kShowIntervalMs)
        ShowText();
    else if (!m_timerShow.isActive())
        m_timerShow.start(kShowIntervalMs - static_cast<int>(m_timeShown.elapsed()));
    emit TextChanged(text);
}

void CFindFilesDlg::ShowText() {
    m_timerShow.stop();
    m_pLabel->setText(m_strText);
    m_timeShown.start();
}

void CFindFilesDlg::setVisible(bool bVisible) {
    QDialog::setVisible(bVisible);
    // The run stops when its window is hidden; it hears of it through this mirror.
    if (m_pView) m_pView->SetFindDlgVisible(isVisible());
}

void CFindFilesDlg::closeEvent(QCloseEvent* e) {
    if (m_pView && (m_pView->IsSearching() || m_pView->IsProcessing())) {
        // The run ends at its next entry; the window goes with it.
        m_pView->RequestStop();
        e->ignore();
        return;
    }
    QDialog::closeEvent(e);
}

void CFindFilesDlg::keyPressEvent(QKeyEvent* e) {
    // Enter dismisses the window like Escape although it has no default
    // button; a hidden window stops processing before its next entry.
    if (e->modifiers() == Qt::NoModifier || e->modifiers() == Qt::KeypadModifier) {
        if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
            accept();
            return;
        }
    }
    QDialog::keyPressEvent(e);
}
