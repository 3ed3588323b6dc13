// SPDX-License-Identifier: MIT
#include "app/about_box.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/about_texts.h"
#include "app/static_link.h"

const char* GalerioVersion() { return GALERIO_VERSION; }

namespace {

QLabel* WrappedLabel(const char* text, QWidget* parent) {
    auto* pLabel = new QLabel(QString::fromLatin1(text), parent);
    pLabel->setWordWrap(true);
    return pLabel;
}

QGroupBox* Group(const char* title, const char* text, QWidget* parent) {
    auto* pGroup = new QGroupBox(QString::fromLatin1(title), parent);
    auto* pLayout = new QVBoxLayout(pGroup);
    pLayout->addWidget(WrappedLabel(text, pGroup));
    return pGroup;
}

}  // namespace

CAboutBox::CAboutBox(int* pLinkVisited, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QString::fromLatin1(kAboutTitle));

    auto* pIcon = new QLabel(this);
    pIcon->setObjectName(QStringLiteral("programIcon"));
    pIcon->setPixmap(QIcon(QStringLiteral(":/icons/galerio.png")).pixmap(32, 32));
    pIcon->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    m_pEmailLink = new CStaticLink(QString::fromLatin1(kAboutEmail), this);
    m_pEmailLink->setObjectName(QStringLiteral("link%1").arg(IDC_EMAIL_LINK));
    m_pWebLink = new CStaticLink(QString::fromLatin1(kAboutWeb), this);
    m_pWebLink->setObjectName(QStringLiteral("link%1").arg(IDC_WEB_LINK));
    // The flags belong to the application, so a link opened in an earlier
    // About box shows as visited in this one too.
    if (pLinkVisited) {
        m_pEmailLink->SetVisitedFlag(&pLinkVisited[0]);
        m_pWebLink->SetVisitedFlag(&pLinkVisited[1]);
    }

    auto* pRight = new QVBoxLayout;
    pRight->addWidget(Group(kAboutWhatGroup, kAboutWhatText, this));
    pRight->addWidget(Group(kAboutLegalGroup, kAboutLegalText, this));
    pRight->addWidget(new QLabel(
        QString::fromLatin1(kAboutVersionPrefix) + QString::fromLatin1(GalerioVersion()), this));
    pRight->addWidget(new QLabel(QString::fromLatin1(kAboutCopyright), this));
    pRight->addWidget(new QLabel(QString::fromLatin1(kAboutCredit), this));
    pRight->addWidget(new QLabel(QString::fromLatin1(kAboutBits), this));
    pRight->addWidget(m_pEmailLink);
    pRight->addWidget(m_pWebLink);

    auto* pButtons = new QDialogButtonBox(this);
    QPushButton* pOk =
        pButtons->addButton(QString::fromLatin1(kAboutOk), QDialogButtonBox::AcceptRole);
    pOk->setDefault(true);
    connect(pButtons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* pTop = new QHBoxLayout;
    pTop->addWidget(pIcon);
    pTop->addLayout(pRight, 1);
    auto* pMain = new QVBoxLayout(this);
    pMain->addLayout(pTop);
    pMain->addWidget(pButtons);
    setSizeGripEnabled(false);
}
