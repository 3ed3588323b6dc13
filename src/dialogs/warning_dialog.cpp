// SPDX-License-Identifier: MIT
#include "dialogs/warning_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/warning_question.h"

WarningDialog::WarningDialog(QWidget* pParent)
    : QDialog(pParent),
      m_pText(new QLabel(this)),
      m_pDontShow(new QCheckBox(QStringLiteral("Dont' show this warning in the future."), this)) {
    setWindowTitle(QStringLiteral("Warning!"));
    auto* pQuestion = new QGroupBox(QStringLiteral("Question"), this);
    auto* pBoxLayout = new QVBoxLayout(pQuestion);
    // The text names files: shown as it is spelled, on as many lines as it has.
    m_pText->setTextFormat(Qt::PlainText);
    m_pText->setWordWrap(true);
    pBoxLayout->addWidget(m_pText);
    auto* pYes = new QPushButton(QStringLiteral("Yes"), this);
    auto* pNo = new QPushButton(QStringLiteral("No"), this);
    pYes->setDefault(true);
    connect(pYes, &QPushButton::clicked, this, &QDialog::accept);
    connect(pNo, &QPushButton::clicked, this, &QDialog::reject);
    auto* pButtons = new QHBoxLayout;
    pButtons->addStretch();
    pButtons->addWidget(pYes);
    pButtons->addWidget(pNo);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(pQuestion);
    pLayout->addWidget(m_pDontShow);
    pLayout->addLayout(pButtons);
}

int WarningDialog::exec() {
    m_pText->setText(m_strText);
    m_pDontShow->setChecked(m_bDontShow);
    return QDialog::exec();
}

void WarningDialog::accept() {
    m_bDontShow = m_pDontShow->isChecked();
    QDialog::accept();
}

void InstallWarningDialog() {
    SetWarningHandler([](const QString& text) {
        WarningDialog dlg(QApplication::activeWindow());
        dlg.m_strText = text;
        WarningAnswer answer;
        answer.bYes = dlg.exec() == QDialog::Accepted;
        answer.bDontShowAgain = answer.bYes && dlg.m_bDontShow;
        return answer;
    });
}
